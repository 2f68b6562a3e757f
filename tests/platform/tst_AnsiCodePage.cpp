#include "analysis/RecordingHost.h"

#include "TestSupport.h"
#include "analysis/LogAnalysis.h"
#include "platform/Files.h"

#include <QTest>

#include <windows.h>

using namespace Qt::StringLiterals;

// On Windows the loader reads a log in the system's ANSI code page, as GetRight wrote it,
// and never guesses UTF-8. Run twice by the Windows build: under Wine in an en_US locale
// (code page 1252) and in a ru_RU one (1251); QUILLAN_EXPECT_ACP names the one expected,
// so that a locale Wine did not take fails instead of passing as 1252.
class tst_AnsiCodePage : public QObject {
    Q_OBJECT

    // Bytes 0x80-0xFF as Windows decodes them, from the code pages' published tables; the
    // bytes a table leaves unassigned come back as the C1 control of the same value.
    static char16_t Expected(UINT codePage, unsigned char byte) {
        static constexpr char16_t cp1252High[32] = {
            0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
            0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
        static constexpr char16_t cp1251High[64] = {
            0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
            0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
            0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
            0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
            0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
            0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};
        if (codePage == 1252) return byte < 0xA0 ? cp1252High[byte - 0x80] : char16_t(byte);
        return byte < 0xC0 ? cp1251High[byte - 0x80] : char16_t(0x0410 + (byte - 0xC0));
    }

    struct Loaded {
        TestSupport::RecordingHost Host;
        std::unique_ptr<LogAnalysis> Analysis;
        LoadOutcome Outcome;
    };
    QTemporaryDir dir;
    std::unique_ptr<Loaded> Load(const QByteArray& bytes) {
        auto loaded = std::make_unique<Loaded>();
        loaded->Analysis = std::make_unique<LogAnalysis>(LocaleFormats::Named(u"en_US"_s));
        loaded->Analysis->SetHost(&loaded->Host);
        loaded->Outcome =
            loaded->Analysis->LoadLogFile(TestSupport::WriteFile(dir, u"ansi.log"_s, bytes));
        return loaded;
    }

private slots:
    void theSystemCodePageDecides() {
        const UINT codePage = GetACP();
        const QByteArray expected = qgetenv("QUILLAN_EXPECT_ACP");
        QVERIFY2(!expected.isEmpty(), "QUILLAN_EXPECT_ACP is not set");
        QCOMPARE(QByteArray::number(uint(codePage)), expected);
        QVERIFY(PlatformFiles::LogsInSystemCodePage());

        // Every byte from 0x80 to 0xFF, sixteen to a line, in a download's local name.
        QByteArray log = "GetRight Download Log\r\n\r\n";
        for (int row = 0; row < 8; ++row) {
            log += "12/31/01 10:00:0" + QByteArray::number(row) + " - File: C:\\dl\\";
            for (int i = 0; i < 16; ++i)
                log += char(0x80 + row * 16 + i);
            log += ".zip=http://h/" + QByteArray::number(row) + ".zip\r\n";
        }
        // Valid UTF-8 is still read in the code page: GetRight never writes UTF-8.
        log += "12/31/01 10:00:09 - \xC3\xBC\r\n";
        const auto l = Load(log);
        QCOMPARE(l->Outcome.Result, LoadOutcome::Kind::Loaded);
        QCOMPARE(l->Analysis->LogLines().UpperBound(), 9);
        for (int row = 0; row < 8; ++row) {
            QString name;
            for (int i = 0; i < 16; ++i)
                name += QChar(Expected(codePage, uchar(0x80 + row * 16 + i)));
            QCOMPARE(
                l->Analysis->LogLines()[row + 1],
                u"12/31/01 10:00:0%1 - File: C:\\dl\\%2.zip=http://h/%1.zip"_s.arg(row).arg(name));
        }
        QCOMPARE(l->Analysis->LogLines()[9], u"12/31/01 10:00:09 - "_s +
                                                 QChar(Expected(codePage, 0xC3)) +
                                                 QChar(Expected(codePage, 0xBC)));

        // The decoded names reach the records.
        QVERIFY(l->Analysis->RunPass().Completed);
        QCOMPARE(l->Analysis->Entries().Count(), 8);
    }
};

QTEST_GUILESS_MAIN(tst_AnsiCodePage)
#include "tst_AnsiCodePage.moc"
