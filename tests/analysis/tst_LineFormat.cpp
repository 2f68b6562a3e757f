#include "analysis/LineFormat.h"
#include "analysis/TextRules.h"
#include "records/modErrorHandling.h"

#include <QTest>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

class tst_LineFormat : public QObject {
    Q_OBJECT

    const LocaleFormats us = LocaleFormats::Named(u"en_US"_s);
    const LocaleFormats gb = LocaleFormats::Named(u"en_GB"_s);
    const LocaleFormats de = LocaleFormats::Named(u"de_DE"_s);

private slots:
    void dateTestTellsTheDateFromTheRestOfTheLine() {
        // The three cases the line layout depends on.
        QVERIFY(IsDate(u"12/31/01", us));
        QVERIFY(IsDate(u"12/31/2001", us));
        QVERIFY(!IsDate(u"12/31/01 1", us));
        QVERIFY(IsDate(u"12/31/20", us)); // first 8 of a 4-digit-year date are a date too

        QVERIFY(IsDate(u"  1-2-2001  ", us));
        QVERIFY(IsDate(u"1.2.01", us));
        QVERIFY(IsDate(u"12/31/01 10:15:32", us));
        QVERIFY(IsDate(u"12/31/01 10:15", us));
        QVERIFY(IsDate(u"12/31/01  10:15:32 pm", us));
        QVERIFY(!IsDate(u"12/31/01 10:15:32 XM", us));
        QVERIFY(!IsDate(u"12/31/01 25:61:00", us));
        QVERIFY(!IsDate(u"12/31/01 word", us));
        QVERIFY(!IsDate(u"12/31/01\t", us)); // only blanks are trimmed
        QVERIFY(!IsDate(u"13/31/01", us));   // month 13
        QVERIFY(!IsDate(u"02/29/01", us));   // not a leap year
        QVERIFY(IsDate(u"02/29/2000", us));
        QVERIFY(!IsDate(u"12/31/001", us)); // three-digit year
        QVERIFY(!IsDate(u"123/1/01", us));
        QVERIFY(!IsDate(u"12/31", us));
        QVERIFY(!IsDate(u"", us));
        QVERIFY(!IsDate(u"File: x=y", us));
        QVERIFY(!IsDate(u"１２/31/01", us)); // full-width digits are not ASCII digits

        // Day-first locales read day/month/year.
        QVERIFY(IsDate(u"31/12/01", gb));
        QVERIFY(!IsDate(u"12/31/01", gb));
        QVERIFY(IsDate(u"31.12.2001 23:59:59", de));
        QCOMPARE(*ReadDate(u"03/04/05", gb), QDate(2005, 4, 3));
        QCOMPARE(*ReadDate(u"03/04/05", us), QDate(2005, 3, 4));
    }

    void quickDateShapesAgreeWithTheFullReading() {
        // IsDate decides the common shapes on a short path; ReadDate always takes the long
        // one. Both must agree on every text made of the characters a line starts with.
        const char16_t alphabet[] = u"0123456789/-. :aP";
        quint32 seed = 2024;
        for (int round = 0; round < 200000; ++round) {
            char16_t text[10];
            const int length = (round & 1) ? 10 : 8;
            for (int i = 0; i < length; ++i) {
                seed = seed * 1103515245u + 12345u;
                // Mostly digits in the places a date has them, so valid dates come up often.
                const bool separatorPlace = i == 2 || i == 5 || i == 8;
                text[i] = separatorPlace && (seed >> 20) % 4 != 0 ? u"/- "[(seed >> 12) % 3]
                          : (seed >> 20) % 8 != 0 ? char16_t(u'0' + (seed >> 8) % 10)
                                                  : alphabet[(seed >> 4) % 17];
            }
            const QStringView view(text, length);
            for (const LocaleFormats* f : {&us, &gb, &de})
                QCOMPARE(IsDate(view, *f), ReadDate(view, *f).has_value());
        }
    }

    void twoDigitYearsPivotAtThirty() {
        QCOMPARE(*ReadDate(u"1/1/00", us), QDate(2000, 1, 1));
        QCOMPARE(*ReadDate(u"1/1/29", us), QDate(2029, 1, 1));
        QCOMPARE(*ReadDate(u"1/1/30", us), QDate(1930, 1, 1));
        QCOMPARE(*ReadDate(u"1/1/99", us), QDate(1999, 1, 1));
        QVERIFY(!ReadDate(u"1/1/0099", us)); // four digits below 100 are no year
        QCOMPARE(*ReadDate(u"1/1/1999", us), QDate(1999, 1, 1));
    }

    void timesAndTheirTwelveHourForm() {
        QCOMPARE(*ReadTime(u"00:05:09", us), QTime(0, 5, 9));
        QCOMPARE(*ReadTime(u" 12:00:00 AM ", us), QTime(0, 0, 0));
        QCOMPARE(*ReadTime(u"12:30 pm", us), QTime(12, 30, 0));
        QCOMPARE(*ReadTime(u"1:02:03PM", us), QTime(13, 2, 3));
        QVERIFY(!ReadTime(u"25:61:00", us));
        QVERIFY(!ReadTime(u"13:00 PM", us));
        QVERIFY(!ReadTime(u"10.15.32", us));
        QVERIFY(!ReadTime(u"", us));

        QCOMPARE(us.TimeAmPm(QTime(0, 5, 9)), u"12:05:09 AM"_s);
        QCOMPARE(us.TimeAmPm(QTime(12, 0, 0)), u"12:00:00 PM"_s);
        QCOMPARE(us.TimeAmPm(QTime(23, 59, 59)), u"11:59:59 PM"_s);
    }

    void shortAndLongDateForms() {
        QCOMPARE(us.ShortDate(QDate(2001, 12, 31)), u"12/31/01"_s);
        QCOMPARE(us.ShortDate(QDate(2002, 1, 5)), u"01/05/02"_s);
        QCOMPARE(gb.ShortDate(QDate(2002, 1, 5)), u"05/01/02"_s);
        QCOMPARE(de.ShortDate(QDate(2002, 1, 5)), u"05.01.02"_s);
        QCOMPARE(us.LongDate(QDate(2001, 12, 31)), u"Monday, December 31, 2001"_s);
        // A C/POSIX locale stands for en_US.
        const LocaleFormats c(QLocale::c());
        QCOMPARE(c.ShortDate(QDate(2001, 12, 31)), u"12/31/01"_s);
        QCOMPARE(c.GroupSeparator(), u","_s);
        QCOMPARE(c.AmText(), u"AM"_s);
    }

    void leadingDateLengthIsTheTwoDateTests() {
        // Ten characters from the shapes a line may start with, near-dates among them, and
        // every shorter start, in month-first, day-first and year-first locales.
        const LocaleFormats jp = LocaleFormats::Named(u"ja_JP"_s);
        const char* const pieces[] = {"0", "1", "2", "3", "9", "/", "-", ".", " ", "a", ":"};
        const int count = int(std::size(pieces));
        quint32 seed = 7;
        for (int round = 0; round < 60000; ++round) {
            QByteArray start = round % 2 ? "12/31/01 1" : "29.02.2000";
            for (int i = 0; i < 10; ++i) {
                seed = seed * 1664525u + 1013904223u;
                if (seed % 100 < 18) start[i] = pieces[(seed >> 8) % count][0];
            }
            start.truncate(round % 11 == 0 ? qsizetype((seed >> 16) % 11) : 10);
            const QLatin1StringView ten(start);
            for (const LocaleFormats* formats : {&us, &de, &jp}) {
                const QString text = QString(ten);
                const int expected = IsDate(QStringView(text), *formats)           ? 10
                                     : IsDate(QStringView(text).left(8), *formats) ? 8
                                                                                   : 0;
                QVERIFY2(LeadingDateLength(ten, *formats) == expected, start.constData());
            }
        }
    }

    void renderingLeavesNonDatesUnchanged() {
        QCOMPARE(RenderShortDate(u"1/5/2002"_s, us), u"01/05/02"_s);
        QCOMPARE(RenderLongDate(u"12/31/01"_s, us), u"Monday, December 31, 2001"_s);
        QCOMPARE(RenderShortDate(u"12/31/01 -"_s, us), u"12/31/01 -"_s);
        QCOMPARE(RenderTimeAmPm(u"10:15:32 AM"_s, us), u"10:15:32 AM"_s);
        QCOMPARE(RenderTimeAmPm(u"22:15:32"_s, us), u"10:15:32 PM"_s);
        QCOMPARE(RenderTimeAmPm(u":15:32 AM"_s, us), u":15:32 AM"_s);
    }

    void splitPathTakesTheLastSeparator() {
        QString folder;
        QCOMPARE(SplitPath(u"a/b\\c", &folder), u"c"_s);
        QCOMPARE(folder, u"a/b\\"_s);
        QCOMPARE(SplitPath(u"http://h/pub/Setup.EXE?x=1", &folder), u"setup.exe?x=1"_s);
        QCOMPARE(folder, u"http://h/pub/"_s);
        QCOMPARE(SplitPath(u"http://h/dir/", &folder), QString());
        QCOMPARE(folder, u"http://h/dir/"_s);
        QCOMPARE(SplitPath(u"NoSeparator.TXT", &folder), u"noseparator.txt"_s);
        QVERIFY(folder.isEmpty());
        // The name as it stands and lower-cased, beyond ASCII too, cut at the same place.
        for (const QStringView path : {u"C:\\Dl\\\u00DCber.ZIP", u"a/b\\C", u"dir/", u"X"}) {
            QCOMPARE(SplitPath(path, &folder), FileNamePart(path).toString().toLower());
            QCOMPARE(folder + FileNamePart(path), path.toString());
        }
        // The bytes form reads eight at a time: it must cut where the text form does at
        // every length and place of the last separator, reading nothing outside the view.
        quint32 seed = 5;
        for (int round = 0; round < 20000; ++round) {
            char buffer[48];
            const int size = int(round % 41);
            for (int i = 0; i < 48; ++i) {
                seed = seed * 1103515245u + 12345u;
                buffer[i] = "ab/\\\x80\xC3.z"[(seed >> 8) % (i % 5 == 0 ? 8 : 3)];
            }
            const QByteArrayView bytes(buffer + 4, size);
            const QString text = QString::fromLatin1(bytes);
            const QByteArrayView cut = FileNamePart(bytes);
            QCOMPARE(cut.data() + cut.size() - bytes.data(), bytes.size()); // a tail of it
            QCOMPARE(cut.size(), FileNamePart(text).size());
        }
    }

    void eventTimeTextFromEitherDateLength() {
        QCOMPARE(EventTimeText(u"12/31/01 10:15:32 - File: x", false, us),
                 u"12/31/01 - 10:15:32 AM"_s);
        QCOMPARE(EventTimeText(u"01/05/2002 22:15:32 - Finished downloading", true, us),
                 u"01/05/02 - 10:15:32 PM"_s);
        QCOMPARE(EventTimeText(u"31.12.2001 13:00:00 - x", true, de).left(11), u"31.12.01 - "_s);
        QVERIFY_THROWS_EXCEPTION(QuillanError, EventTimeText(u"12/31/01 25:61:00 - x", false, us));
        QVERIFY_THROWS_EXCEPTION(QuillanError, EventTimeText(u"12/31/01", false, us));
    }

    void eventTimeFromBytesAgreesWithTheTextForm() {
        // The bytes form writes a day's date once and reuses it; on every line it accepts it
        // must write what the text form writes, and a line it refuses must leave out as it
        // was. Runs of one date, with times and dates that are sometimes out of range.
        const LocaleFormats ja = LocaleFormats::Named(u"ja_JP"_s); // year first: never quick
        quint32 seed = 77;
        const auto next = [&seed](quint32 range) {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 8) % range;
        };
        for (const LocaleFormats* f : {&us, &gb, &de, &ja}) {
            EventDateMemo memo;
            std::vector<char16_t> out{u'x'};
            char line[40] = "12/31/01 10:15:32 - File: x";
            int accepted = 0;
            for (int round = 0; round < 100000; ++round) {
                const bool isLong = next(4) == 0;
                const int d = isLong ? 10 : 8;
                if (next(6) == 0) { // a new date, now and then
                    for (int i = 0; i < d; ++i)
                        line[i] = i == 2 || i == 5 ? "/-. 0"[next(5)] : char('0' + next(10));
                    if (next(8) == 0) line[next(d)] = 'x';
                }
                line[d] = ' ';
                for (int i = 0; i < 8; ++i)
                    line[d + 1 + i] = i == 2 || i == 5 ? (next(30) ? ':' : '.')
                                                       : char('0' + next(i == 0 ? 3 : 7));
                std::memcpy(line + d + 9, " - x", 4);
                const int size = next(20) == 0 ? int(next(d + 9)) : d + 13;
                const QByteArrayView bytes(line, size);
                const std::vector<char16_t> before = out;
                if (AppendEventTime(bytes, isLong, *f, memo, out)) {
                    ++accepted;
                    const QString text = QString::fromLatin1(bytes);
                    const QString wanted = EventTimeText(text, isLong, *f);
                    const QStringView written(out.data() + before.size(),
                                              qsizetype(out.size() - before.size()));
                    QCOMPARE(written, wanted);
                    QVERIFY(std::equal(before.begin(), before.end(), out.begin()));
                } else {
                    QVERIFY(out == before);
                }
                if (out.size() > 1000) out.erase(out.begin() + 1, out.end());
            }
            QCOMPARE(accepted > 0, f != &ja);
        }
    }

    void numbersRoundingAndGrouping() {
        QCOMPARE(ReadWholeNumber(u" 1536 "), std::optional<qint64>(1536));
        QCOMPARE(ReadWholeNumber(u"-12"), std::optional<qint64>(-12));
        QCOMPARE(ReadWholeNumber(u"+7"), std::optional<qint64>(7));
        QVERIFY(!ReadWholeNumber(u"1,536"));
        QVERIFY(!ReadWholeNumber(u"12a"));
        QVERIFY(!ReadWholeNumber(u"-"));
        QVERIFY(!ReadWholeNumber(u""));
        QVERIFY(!ReadWholeNumber(u"\t5"));
        QVERIFY(!ReadWholeNumber(u"99999999999999999999999"));

        QCOMPARE(RoundHalfEvenToInt32(1.5), 2);
        QCOMPARE(RoundHalfEvenToInt32(2.5), 2);
        QCOMPARE(RoundHalfEvenToInt32(0.5), 0);
        QCOMPARE(RoundHalfEvenToInt32(-1.5), -2);
        QVERIFY_THROWS_EXCEPTION(QuillanError, RoundHalfEvenToInt32(2147483648.0));
        QVERIFY_THROWS_EXCEPTION(QuillanError, CheckedAdd(2147483647, 1));

        QCOMPARE(FormatGrouped(0, u","_s), QString());
        QCOMPARE(FormatGrouped(999, u","_s), u"999"_s);
        QCOMPARE(FormatGrouped(1200000, u","_s), u"1,200,000"_s);
        QCOMPARE(FormatGrouped(-1234, u"."_s), u"-1.234"_s);
        QCOMPARE(FormatGrouped(std::numeric_limits<qint64>::min(), u","_s),
                 u"-9,223,372,036,854,775,808"_s);
        QCOMPARE(FormatGrouped(0, u","_s, false), u"0"_s);
        // Separators beyond Latin-1, empty, and longer than the room kept beside the digits.
        QCOMPARE(FormatGrouped(std::numeric_limits<qint64>::max(), u"\u202f"_s),
                 u"9\u202f223\u202f372\u202f036\u202f854\u202f775\u202f807"_s);
        QCOMPARE(FormatGrouped(1234567, QString()), u"1234567"_s);
        const QString longSeparator(13, u'_');
        QCOMPARE(FormatGrouped(-1234567, longSeparator),
                 u"-1"_s + longSeparator + u"234"_s + longSeparator + u"567"_s);
        QCOMPARE(GroupedNumber(-1000, u" ").View(), u"-1 000");

        QCOMPARE(TrimBlanks(u"  a b \t "), u"a b \t"_s);
    }
};

QTEST_APPLESS_MAIN(tst_LineFormat)
#include "tst_LineFormat.moc"
