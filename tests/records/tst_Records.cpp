#include "base/AsciiCase.h"
#include "base/MixedText.h"
#include "records/LogCurEntries.h"
#include "records/LogEntries.h"
#include "records/TextArena.h"
#include "records/modErrorHandling.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <iterator>

using namespace Qt::StringLiterals;

class tst_Records : public QObject {
    Q_OBJECT

private:
    static LogEntry* AddUrl(LogEntries& entries, const QString& key, const QString& name) {
        return entries.Add(key, name, u"C:\\"_s + name, key.toLower(), -1, 0, u"s"_s, QString(), 0,
                           -1, QString());
    }

private slots:
    void displacementMovesEarlierRecordToEndWithoutKey() {
        LogEntries entries;
        LogEntry* first = AddUrl(entries, u"HTTP://A/X.ZIP"_s, u"x.zip"_s);
        AddUrl(entries, u"HTTP://A/Y.ZIP"_s, u"y.zip"_s);
        AddUrl(entries, u"HTTP://A/Z.ZIP"_s, u"z.zip"_s);
        // Same key in another letter case: the earlier holder moves, the new one takes the key.
        LogEntry* second = AddUrl(entries, u"http://a/x.zip"_s, u"x2.zip"_s);

        QCOMPARE(entries.Count(), 4);
        QCOMPARE(entries.Item(1)->FName(), u"y.zip"_s);
        QCOMPARE(entries.Item(2)->FName(), u"z.zip"_s);
        QCOMPARE(entries.Item(3), first);
        QCOMPARE(entries.Item(4), second);
        QCOMPARE(entries.Item(u"HTTP://A/X.ZIP"_s), second);
        // The displaced record keeps its own Key text; only its collection key is gone.
        QCOMPARE(first->Key(), u"HTTP://A/X.ZIP"_s);

        // A third record of the key displaces the second; the first stays where it is.
        LogEntry* third = AddUrl(entries, u"HTTP://A/X.ZIP"_s, u"x3.zip"_s);
        QCOMPARE(entries.Count(), 5);
        QCOMPARE(entries.Item(3), first);
        QCOMPARE(entries.Item(4), second);
        QCOMPARE(entries.Item(5), third);
    }

    void entriesItemMissesAndBadPositions() {
        LogEntries entries;
        AddUrl(entries, u"K"_s, u"k"_s);
        QVERIFY(entries.Item(u"nope"_s) == nullptr);
        QVERIFY(entries.Item(QString()) == nullptr);
        for (qint64 bad : {qint64(0), qint64(2), qint64(-1)}) {
            try {
                entries.Item(bad);
                QFAIL("a bad position must raise");
            } catch (const QuillanError& error) {
                QCOMPARE(error.Source(), u"LogEntries Collection Get"_s);
                QCOMPARE(error.Number(), ErrorNumbers::SubscriptOutOfRange);
            }
        }
        // An empty key appends a record that only its position reaches.
        LogEntry* unkeyed = AddUrl(entries, QString(), u"e"_s);
        QCOMPARE(entries.Count(), 2);
        QCOMPARE(entries.Item(2), unkeyed);
        QVERIFY(entries.Item(QString()) == nullptr);
    }

    void itemHandsOutTheSameObject() {
        LogEntries entries;
        AddUrl(entries, u"K"_s, u"k"_s);
        LogEntry* a = entries.Item(u"k"_s);
        LogEntry* b = entries.Item(1);
        a->SetResumes(a->Resumes() + 1);
        QCOMPARE(b->Resumes(), 0);
        QCOMPARE(a, b);
    }

    void curEntriesLinks() {
        LogCurEntries links;
        links.Add(u"abc"_s, u"abc"_s, u"HTTP://H/ABC"_s, u"abc"_s);
        QVERIFY(links.Item(u"ABC"_s) != nullptr);
        QCOMPARE(links.Item(u"AbC"_s)->LogKey(), u"HTTP://H/ABC"_s);
        // Misses of every kind are null, never an error.
        QVERIFY(links.Item(u"zzz"_s) == nullptr);
        QVERIFY(links.Item(QString()) == nullptr);
        QVERIFY(links.Item(0) == nullptr);
        QVERIFY(links.Item(7) == nullptr);
        // No displacement here: a duplicate key fails.
        QVERIFY_THROWS_EXCEPTION(QuillanError, links.Add(u"x"_s, u"x"_s, u"k"_s, u"ABC"_s));
        // An empty sKey files the link by position only.
        LogKeys* unkeyed = links.Add(QString(), QString(), u"K2"_s, QString());
        QCOMPARE(links.Count(), 2);
        QCOMPARE(links.Item(2), unkeyed);
        links.Remove(u"abc"_s);
        QCOMPARE(links.Count(), 1);
        QCOMPARE(links.Item(1), unkeyed);
        QVERIFY(links.Item(u"abc"_s) == nullptr);
        // The key is free again after removal.
        links.Add(u"abc"_s, u"abc"_s, u"K3"_s, u"abc"_s);
        QCOMPARE(links.Item(u"ABC"_s)->LogKey(), u"K3"_s);
    }

    void removalInTheMiddleKeepsOrderAndKeys() {
        LogCurEntries links;
        for (int i = 0; i < 1000; ++i) {
            const QString key = QString::number(i);
            links.Add(key, key, key, key);
        }
        for (int i = 0; i < 1000; i += 2)
            links.Remove(QString::number(i));
        QCOMPARE(links.Count(), 500);
        QCOMPARE(links.Item(1)->Key(), u"1"_s);
        QCOMPARE(links.Item(500)->Key(), u"999"_s);
        QCOMPARE(links.Item(u"501"_s), links.Item(251));
        links.Remove(1);
        QCOMPARE(links.Item(1)->Key(), u"3"_s);
        QVERIFY(links.Item(u"1"_s) == nullptr);
    }

    void keysIgnoreCaseBeyondAscii() {
        LogEntries entries;
        AddUrl(entries, u"HTTP://H/ÄPFEL.ZIP"_s, u"äpfel.zip"_s);
        QVERIFY(entries.Item(u"http://h/äpfel.zip"_s) != nullptr);
        QVERIFY(entries.Item(u"http://h/apfel.zip"_s) == nullptr);
    }

    void raiseErrorCarriesNumberSourceAndDescription() {
        QCOMPARE(GetErrorText(9999), u"An unknown error has occurred!"_s);
        QCOMPARE(GetErrorText(-5), u"An unknown error has occurred!"_s);
        try {
            RaiseError(9999, u"LogEntry:URL Property Get"_s);
            QFAIL("RaiseError must raise");
        } catch (const QuillanError& error) {
            QCOMPARE(error.Number(), qint32(-2147211505));
            QCOMPARE(error.Source(), u"LogEntry:URL Property Get"_s);
            QCOMPARE(error.Description(), u"An unknown error has occurred!"_s);
        }
        // A number that pushes the sum out of 32 bits is an overflow instead.
        try {
            RaiseError(-2000000000, u"x"_s);
            QFAIL("RaiseError must raise");
        } catch (const QuillanError& error) {
            QCOMPARE(error.Number(), ErrorNumbers::Overflow);
        }
    }

    void latin1KeysHashAndCompareAsTheirText() {
        // Every Latin-1 text up to twenty characters from a mix of ASCII (both cases),
        // Latin-1 letters and signs, at every length around the four- and eight-byte steps.
        const char alphabet[] = "aZ.0/\xC4\xE4\xDF\xB5\xFF\xD7 ";
        QRandomGenerator rng(5);
        for (int round = 0; round < 20000; ++round) {
            QByteArray bytes;
            const int length = rng.bounded(21);
            for (int i = 0; i < length; ++i)
                bytes += alphabet[rng.bounded(int(sizeof alphabet) - 1)];
            const QLatin1StringView latin1(bytes);
            const QString text(latin1);
            QCOMPARE(CaseInsensitiveHash(latin1), CaseInsensitiveHash(text));
            // Against itself in other cases, and against a neighbour that differs by one.
            for (const QString& other : {text.toUpper(), text.toLower(), QString(text + u'a'),
                                         QString(text).replace(0, 1, u"q"_s)}) {
                const bool same = CaseInsensitiveEqual(QStringView(text), QStringView(other));
                QCOMPARE(CaseInsensitiveEqual(QStringView(other), latin1), same);
                const QByteArray otherLatin1 = other.toLatin1();
                if (QString::fromLatin1(otherLatin1) == other)
                    QCOMPARE(CaseInsensitiveEqual(QLatin1StringView(otherLatin1), latin1), same);
                if (same) QCOMPARE(HashedKey(latin1).Hash(), HashedKey(other).Hash());
            }
        }
    }

    void arenaKeepsTextsInTheNarrowestForm() {
        // Texts of every length around the eight-unit steps, Latin-1 or not, read back as
        // they went in; those within Latin-1 take one byte a character.
        const char16_t alphabet[] = u"a9 -\u00E9\u00FF\u0100\u4E2D";
        QRandomGenerator rng(11);
        TextArena arena;
        for (int round = 0; round < 5000; ++round) {
            QString text;
            const int length = rng.bounded(40);
            const bool wide = rng.bounded(3) == 0;
            for (int i = 0; i < length; ++i)
                text += QChar(alphabet[rng.bounded(wide ? 8 : 6)]);
            const PackedText packed = arena.Add(QStringView(text));
            QCOMPARE(arena.Text(packed), text);
            const bool latin1 =
                std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
            QCOMPARE(arena.IsLatin1(packed), latin1);
        }
    }

    void casedPartsChangeAsciiLettersAlone() {
        // Every Latin-1 character from the space on, read upper- and lower-cased into a
        // QString, a narrow text and a text already wide: only A-Z and a-z change.
        QString all;
        for (char16_t c = 0x20; c <= 0xFF; ++c)
            all += QChar(c);
        TextArena arena;
        const PackedText whole = arena.Add(QStringView(all));
        for (const bool upper : {true, false}) {
            const QStringView inner = QStringView(all).sliced(1, all.size() - 2);
            const PackedText part = TextArena::CasedPart(
                whole, 1, inner.size(), upper ? PackedText::Form::Upper : PackedText::Form::Lower);
            QString expected;
            for (const QChar c : inner)
                expected += QChar(upper ? AsciiUpper(c.unicode()) : AsciiLower(c.unicode()));
            QCOMPARE(arena.Text(part), expected);
            MixedText narrow;
            narrow.Append("x"_L1);
            arena.AppendTo(narrow, part);
            QCOMPARE(narrow.View().toString(), u"x"_s + expected);
            MixedText wide;
            wide.Append(QStringView(u"\u4E2D"));
            arena.AppendTo(wide, part);
            QCOMPARE(wide.View().toString(), u"\u4E2D"_s + expected);
        }
    }

    void keysBeyondLatin1HashAlikeInEveryCase() {
        // Texts of any characters (Greek final and plain sigma, a letter beyond the first
        // plane, a lone surrogate) with ASCII runs long enough for the eight-byte steps:
        // texts equal but for case hash alike, and Latin-1 texts hash as their bytes do.
        const QString pieces[] = {u"a"_s,          u"Z"_s,          u"report-2001"_s,
                                  u"\u03A3"_s,     u"\u03C3"_s,     u"\u03C2"_s,
                                  u"\U00010400"_s, u"\U00010428"_s, QString(QChar(0xD800)),
                                  u"\u00C4"_s,     u"\u00E4"_s,     u"\u00B5"_s};
        QRandomGenerator rng(3);
        int equalPairs = 0;
        for (int round = 0; round < 20000; ++round) {
            QString text;
            for (int i = rng.bounded(6); i > 0; --i)
                text += pieces[rng.bounded(int(std::size(pieces)))];
            for (const QString& other : {text.toUpper(), text.toLower(), text.toCaseFolded()}) {
                if (!CaseInsensitiveEqual(QStringView(text), QStringView(other))) continue;
                ++equalPairs;
                QCOMPARE(CaseInsensitiveHash(QStringView(other)), CaseInsensitiveHash(text));
            }
            const QByteArray latin1 = text.toLatin1();
            if (QString::fromLatin1(latin1) == text)
                QCOMPARE(CaseInsensitiveHash(QLatin1StringView(latin1)), CaseInsensitiveHash(text));
        }
        QVERIFY(equalPairs > 40000);
        // Texts that differ only in what the eight-byte steps and the tail pack together.
        QVERIFY(CaseInsensitiveHash(u"abcdefgh") != CaseInsensitiveHash(u"abcdefg"));
        QVERIFY(CaseInsensitiveHash(QStringView(u"a\0", 2)) != CaseInsensitiveHash(u"a"));
    }

    void trappedAccessorFailureBecomesLocatedError() {
        try {
            TrapAccessor("LogKeys:FName Property Set", []() -> int { throw std::bad_alloc(); });
            QFAIL("a failing accessor must raise");
        } catch (const QuillanError& error) {
            QCOMPARE(error.Number(), ObjectErrorBase + 9999);
            QCOMPARE(error.Source(), u"LogKeys:FName Property Set"_s);
        }
    }
};

QTEST_APPLESS_MAIN(tst_Records)
#include "tst_Records.moc"
