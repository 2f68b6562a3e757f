#include "monitor/DownloadInfo.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_DownloadInfo : public QObject {
    Q_OBJECT

    const QLocale us{QLocale::English, QLocale::UnitedStates};
    const QLocale german{QLocale::German, QLocale::Germany};

private slots:
    void splitsAtTheFirstThreeBars() {
        const auto record = SplitDownloadInfo(u"a.zip|2048|50|x|y"_s, us);
        QVERIFY(record);
        QCOMPARE(record->First, u"a.zip"_s);
        QCOMPARE(record->SizeKb, u"2"_s);
        QCOMPARE(record->Third, u"50"_s);
        QCOMPARE(record->Rest, u"x|y"_s);

        const auto emptyRest = SplitDownloadInfo(u"a|1|c|"_s, us);
        QVERIFY(emptyRest);
        QCOMPARE(emptyRest->Third, u"c"_s);
        QCOMPARE(emptyRest->Rest, QString());

        const auto emptyFields = SplitDownloadInfo(u"|0||"_s, us);
        QVERIFY(emptyFields);
        QCOMPARE(emptyFields->First, QString());
        QCOMPARE(emptyFields->Third, QString());
    }

    void failsWhereASeparatorOrTheNumberIsMissing() {
        for (const QString& reply : {u""_s, u"a.zip"_s, u"a|2048"_s, u"a|1|c"_s, u"a|n/a|c|d"_s,
                                     u"a||c|d"_s, u"a|12kb|c|d"_s, u"a|inf|c|d"_s})
            QVERIFY2(!SplitDownloadInfo(reply, us), qPrintable(reply));
    }

    void readsTheSizeByTheLocaleAndWritesItAsHashes() {
        QCOMPARE(SplitDownloadInfo(u"a| 1,536,000 |c|d"_s, us)->SizeKb, u"1500"_s);
        QCOMPARE(SplitDownloadInfo(u"a|1536,5|c|d"_s, german)->SizeKb, u"2"_s);
        QCOMPARE(SplitDownloadInfo(u"a|1.536.000|c|d"_s, german)->SizeKb, u"1500"_s);
        // 511 bytes round to no kilobytes, which "####" writes as nothing.
        QCOMPARE(SplitDownloadInfo(u"a|511|c|d"_s, us)->SizeKb, QString());
        QCOMPARE(SplitDownloadInfo(u"a|-2048|c|d"_s, us)->SizeKb, u"-2"_s);

        QCOMPARE(FormatHashes(0.5), u"1"_s);
        QCOMPARE(FormatHashes(2.5), u"3"_s);
        QCOMPARE(FormatHashes(-0.4), QString());
        QCOMPARE(FormatHashes(12345678.0), u"12345678"_s);
    }
};

QTEST_APPLESS_MAIN(tst_DownloadInfo)
#include "tst_DownloadInfo.moc"
