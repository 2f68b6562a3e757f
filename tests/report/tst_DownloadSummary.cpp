#include "TestSupport.h"
#include "report/DownloadSummary.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

class tst_DownloadSummary : public QObject {
    Q_OBJECT

    static std::unique_ptr<LogAnalysis> Analyse(const QString& path) {
        auto analysis = std::make_unique<LogAnalysis>(LocaleFormats::Named(u"en_US"_s));
        analysis->LoadLogFile(path);
        analysis->RunPass();
        return analysis;
    }

private slots:
    void hostsOfEveryUrlForm_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("host");
        QTest::newRow("http") << u"http://www.example.org/music/track01.mp3"_s
                              << u"www.example.org"_s;
        QTest::newRow("ftp") << u"ftp://ftp.example.net/pub/linux/k.tar.gz"_s
                             << u"ftp.example.net"_s;
        QTest::newRow("upper case")
            << u"HTTP://Files.Example.COM/Docs/Manual.PDF"_s << u"files.example.com"_s;
        QTest::newRow("port") << u"http://mirror.example.edu:8080/pub/x.zip"_s
                              << u"mirror.example.edu"_s;
        QTest::newRow("credentials")
            << u"ftp://user:se@cret@ftp.example.net:21/pub/x"_s << u"ftp.example.net"_s;
        QTest::newRow("no path") << u"http://download.example.com"_s << u"download.example.com"_s;
        QTest::newRow("query at once") << u"http://h.example?build=42"_s << u"h.example"_s;
        QTest::newRow("folder url")
            << u"http://download.example.com/beta/"_s << u"download.example.com"_s;
        QTest::newRow("ipv6") << u"http://[2001:db8::1]:8080/x"_s << u"[2001:db8::1]"_s;
        QTest::newRow("blanks") << u"  http://Host.Example/x  "_s << u"host.example"_s;
        QTest::newRow("no scheme") << u"www.example.org/file.zip"_s << QString();
        QTest::newRow("empty scheme") << u"://nohost/x"_s << QString();
        QTest::newRow("nothing after scheme") << u"http://"_s << QString();
        QTest::newRow("only credentials") << u"http://user@/x"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void hostsOfEveryUrlForm() {
        QFETCH(QString, url);
        QFETCH(QString, host);
        QCOMPARE(HostOf(url), host);
    }

    // Counted by hand from examples/getright.log: 30 downloads over two days; a finish
    // reaches its download only through the URL's file name, so seven never finish.
    void sampleLog() {
        auto analysis = Analyse(SampleLog());
        const DownloadSummary s = SummariseDownloads(*analysis);
        QCOMPARE(qsizetype(s.Rows.size()), 30);
        QCOMPARE(s.Finished, 23);
        QCOMPARE(s.Undated, 0);
        QCOMPARE(s.Length, PeriodLength::Day);
        QCOMPARE(qsizetype(s.Periods.size()), 2);
        QCOMPARE(s.Periods[0].Start, QDate(2001, 12, 31));
        QCOMPARE(s.Periods[0].Completed, 9);
        QCOMPARE(s.Periods[0].Unfinished, 4);
        QCOMPARE(s.Periods[1].Start, QDate(2002, 1, 1));
        QCOMPARE(s.Periods[1].Completed, 14);
        QCOMPARE(s.Periods[1].Unfinished, 3);

        QCOMPARE(qsizetype(s.TopHosts.size()), 7);
        const QList<std::pair<QString, int>> hosts = {
            {u"www.example.org"_s, 11},    {u"download.example.com"_s, 7},
            {u"files.example.com"_s, 4},   {u"ftp.example.net"_s, 4},
            {u"mirror1.example.org"_s, 2}, {u"mirror.example.edu"_s, 1},
            {u"mirror2.example.org"_s, 1}};
        for (qsizetype i = 0; i < hosts.size(); ++i) {
            QCOMPARE(s.TopHosts[size_t(i)].Host, hosts[i].first);
            QCOMPARE(s.TopHosts[size_t(i)].Downloads, hosts[i].second);
        }
        // www.example.org: trailer.mpg and track03.mp3 never finish.
        QCOMPARE(s.TopHosts[0].Finished, 9);

        const auto row = [&](const QString& name) {
            for (const DownloadRow& r : s.Rows)
                if (r.FileName == name) return r;
            qFatal("no row");
        };
        // 1 MB and 2.5 MB resumed; one "Could not resume" restart.
        const DownloadRow kernel = row(u"kernel-2.4.17.tar.gz"_s);
        QCOMPARE(kernel.KbResumed, 3584);
        QCOMPARE(kernel.Restarts, 1);
        QCOMPARE(kernel.Resumes, 1);
        QCOMPARE(kernel.Day, QDate(2001, 12, 31));
        QVERIFY(kernel.Done());
        // Three "(Re)Started" lines: the first is the start itself, two are mirror swaps.
        const DownloadRow demo = row(u"demo.zip"_s);
        QCOMPARE(demo.MirrorSwaps, 2);
        QCOMPARE(demo.Restarts, 0);
        QCOMPARE(demo.Host, u"mirror1.example.org"_s);
        QVERIFY(!row(u"trailer.mpg"_s).Done());

        qint64 kb = 0;
        for (const PeriodTotals& p : s.Periods)
            kb += p.KbResumed;
        qint64 rows = 0;
        for (const DownloadRow& r : s.Rows)
            rows += r.KbResumed;
        QCOMPARE(kb, rows);
    }

    // Longer logs are counted per week, then per month, every period shown, empty or not.
    void periodsFollowTheSpan() {
        QTemporaryDir dir;
        const auto summarise = [&](std::initializer_list<const char*> lines) {
            auto analysis = Analyse(WriteFile(dir, u"span.log"_s, CrLf(lines)));
            return SummariseDownloads(*analysis);
        };
        const DownloadSummary weeks = summarise({"01/02/02 10:00:00 - File: C:\\a=http://h/a",
                                                 "01/03/02 10:00:00 - File: C:\\b=http://h/b",
                                                 "04/30/02 10:00:00 - File: C:\\c=http://h/c"});
        QCOMPARE(weeks.Length, PeriodLength::Week);
        // en_US weeks start on Sunday: 12/30/01 to 04/28/02 is 18 weeks.
        QCOMPARE(weeks.Periods.front().Start, QDate(2001, 12, 30));
        QCOMPARE(weeks.Periods.back().Start, QDate(2002, 4, 28));
        QCOMPARE(qsizetype(weeks.Periods.size()), 18);
        QCOMPARE(weeks.Periods.front().Unfinished, 2);
        QCOMPARE(weeks.Periods[1].Unfinished, 0);

        const DownloadSummary months = summarise({"01/31/01 10:00:00 - File: C:\\a=http://h/a",
                                                  "03/01/03 10:00:00 - File: C:\\b=http://h/b"});
        QCOMPARE(months.Length, PeriodLength::Month);
        QCOMPARE(months.Periods.front().Start, QDate(2001, 1, 1));
        QCOMPARE(months.Periods.back().Start, QDate(2003, 3, 1));
        QCOMPARE(qsizetype(months.Periods.size()), 27);

        // Exactly 90 days is still counted per day.
        const DownloadSummary days = summarise({"01/01/02 10:00:00 - File: C:\\a=http://h/a",
                                                "04/01/02 10:00:00 - File: C:\\b=http://h/b"});
        QCOMPARE(days.Length, PeriodLength::Day);
        QCOMPARE(qsizetype(days.Periods.size()), 91);

        QCOMPARE(PeriodStart(QDate(2002, 1, 2), PeriodLength::Week, Qt::Monday),
                 QDate(2001, 12, 31));
        QCOMPARE(PeriodStart(QDate(2001, 12, 31), PeriodLength::Week, Qt::Monday),
                 QDate(2001, 12, 31));
    }

    void moreThanFifteenHosts() {
        QTemporaryDir dir;
        QByteArray log;
        for (int host = 0; host < 20; ++host)
            for (int n = 0; n <= host; ++n)
                log += "01/01/02 10:00:00 - File: C:\\f" + QByteArray::number(host * 100 + n) +
                       "=http://host" + QByteArray::number(host) + ".example/f" +
                       QByteArray::number(host * 100 + n) + "\r\n";
        auto analysis = Analyse(WriteFile(dir, u"hosts.log"_s, log));
        const DownloadSummary s = SummariseDownloads(*analysis);
        QCOMPARE(qsizetype(s.TopHosts.size()), DownloadSummary::MaxHosts);
        QCOMPARE(s.TopHosts.front().Host, u"host19.example"_s);
        QCOMPARE(s.TopHosts.front().Downloads, 20);
        QCOMPARE(s.TopHosts.back().Host, u"host5.example"_s);
    }
};

QTEST_APPLESS_MAIN(tst_DownloadSummary)
#include "tst_DownloadSummary.moc"
