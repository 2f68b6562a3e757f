#include "base/AsciiCase.h"
#include "base/QuillanError.h"

#include <QTest>

#include <cstring>

using namespace Qt::StringLiterals;

class BaseTest : public QObject {
    Q_OBJECT

private slots:
    void asciiCase() {
        // The neighbours of the letter ranges differ from letters by 0x20 too; they stay.
        for (const char16_t c : {u'@', u'[', u'`', u'{', u'0', u'~', u'\0'}) {
            QCOMPARE(AsciiLower(c), c);
            QCOMPARE(AsciiUpper(c), c);
        }
        QCOMPARE(AsciiLower(u'A'), u'a');
        QCOMPARE(AsciiLower(u'Z'), u'z');
        QCOMPARE(AsciiUpper(u'a'), u'A');
        QCOMPARE(AsciiUpper(u'z'), u'Z');
        // Latin-1 and other letters are not this helper's business.
        for (const char16_t c : {u'\u00C9', u'\u00E9', u'\u0130', u'\u0131', u'\u00DF'}) {
            QCOMPARE(AsciiLower(c), c);
            QCOMPARE(AsciiUpper(c), c);
        }

        QVERIFY(AsciiEqualIgnoringCase(u".GetRight", u".GETRIGHT"));
        QVERIFY(!AsciiEqualIgnoringCase(u"[", u"{"));
        QVERIFY(!AsciiEqualIgnoringCase(u"@x", u"`X"));
        QVERIFY(!AsciiEqualIgnoringCase(u"ab", u"abc"));

        QString out = u"kept"_s;
        QVERIFY(!AsciiToUpper(u"caf\u00E9", out));
        QCOMPARE(out, u"kept"_s);
        QVERIFY(AsciiToUpper(u"a-z_{}", out));
        QCOMPARE(out, u"A-Z_{}"_s);
        QVERIFY(AsciiToLower(u"HTTP://A/X.ZIP", out));
        QCOMPARE(out, u"http://a/x.zip"_s);
        QVERIFY(AsciiToLower(u"", out));
        QVERIFY(out.isEmpty());
        QVERIFY(IsAscii(u"\x7F"));
        QVERIFY(!IsAscii(u"\u0080"));
    }

    void asciiLanesFoldLikeUnits() {
        // Every ASCII unit in every lane, next to neighbours that could carry into it.
        for (char16_t c = 0; c < 0x80; ++c) {
            for (const char16_t n : {char16_t(0), char16_t(0x40), char16_t(0x5A), char16_t(0x7F)}) {
                for (int lane = 0; lane < 4; ++lane) {
                    char16_t units[4] = {n, n, n, n};
                    units[lane] = c;
                    quint64 lanes;
                    std::memcpy(&lanes, units, sizeof lanes);
                    const quint64 folded = AsciiLowerLanes(lanes);
                    char16_t out[4];
                    std::memcpy(out, &folded, sizeof out);
                    for (int i = 0; i < 4; ++i)
                        QCOMPARE(out[i], AsciiLower(units[i]));
                }
            }
        }
    }

    void errorCarriesItsTriple() {
        // Whoever catches only std::exception still reads where it came from, in UTF-8.
        try {
            throw QuillanError(ErrorNumbers::Overflow, u"Sp\u00E4ter"_s, u"Overflow"_s);
        } catch (const std::exception& caught) {
            QCOMPARE(QString::fromUtf8(caught.what()), u"Sp\u00E4ter: Overflow"_s);
            const auto* error = dynamic_cast<const QuillanError*>(&caught);
            QVERIFY(error);
            QCOMPARE(error->Number(), 6);
            QCOMPARE(error->Source(), u"Sp\u00E4ter"_s);
            QCOMPARE(error->Description(), u"Overflow"_s);
        }
    }
};

QTEST_APPLESS_MAIN(BaseTest)
#include "BaseTest.moc"
