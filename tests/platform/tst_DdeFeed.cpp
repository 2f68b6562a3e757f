#include "monitor/MonitorFakes.h"

#include "analysis/LogAnalysis.h"
#include "platform/DdeFeed.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The window's own DDE feed on Windows against the fake GetRight, in the same cases as the
// Wine bridge's (tst_WineMonitor), run under Wine by the Windows build.
class tst_DdeFeed : public QObject {
    Q_OBJECT

    std::unique_ptr<QProcess> server;
    QTemporaryDir logDir;
    QString logPath;
    QString logStamp;
    const QLocale us{QLocale::English, QLocale::UnitedStates};

    void StartServer(const QStringList& arguments) {
        StopServer();
        server = std::make_unique<QProcess>();
        server->setProgram(QStringLiteral(FAKE_GETRIGHT_EXE));
        server->setArguments(arguments);
        server->start();
        QDeadlineTimer deadline(30000);
        while (!server->canReadLine() && !deadline.hasExpired() &&
               server->state() != QProcess::NotRunning)
            server->waitForReadyRead(200);
        QCOMPARE(server->readLine().trimmed(), QByteArray("READY"));
    }
    void StopServer() {
        if (!server) return;
        server->closeWriteChannel();
        if (!server->waitForFinished(5000)) server->kill();
        server->waitForFinished(5000);
        server.reset();
    }

    // One tick of the monitor through a fresh feed; the text the box shows.
    QString Tick() {
        RecordingView view;
        view.Getright = MonitorTexts::NotMonitoring;
        DownloadMonitor monitor(view, std::make_unique<DdeFeed>(), us);
        monitor.Click();
        monitor.Tick(logPath, logStamp);
        return view.Getright;
    }

private slots:
    void initTestCase() {
        logPath = logDir.filePath(u"getright.log"_s);
        QFile log(logPath);
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.close();
        logStamp = LogAnalysis::FileStamp(logPath);
    }
    void cleanup() { StopServer(); }

    void listsTheDownloadsInProgress() {
        // The replies travel as CF_TEXT in the ANSI code page, accents and all.
        StartServer(
            {u"a.zip|2048|50|x|y"_s, u"b.exe|1|75%|C:\\dl\\b.exe"_s, u"caf\u00e9.zip|1|\u00fc|"_s});
        RecordingView view;
        auto owned = std::make_unique<DdeFeed>();
        DdeFeed& feed = *owned;
        DownloadMonitor monitor(view, std::move(owned), us);
        monitor.Click();
        QCOMPARE(feed.Request(1), std::optional<QString>(u"a.zip|2048|50|x|y"_s));
        QCOMPARE(feed.Request(4), std::nullopt);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 10; ++i)
            monitor.Tick(logPath, logStamp);
        qInfo("a tick of three downloads: %lld ms", clock.elapsed() / 10);
        QCOMPARE(view.Getright, u"a.zip: 50\r\nb.exe: 75%\r\ncaf\u00e9.zip: \u00fc\r\n"_s);
        QCOMPARE(view.LastReply, u"caf\u00e9.zip|1|\u00fc|"_s);

        // Turned off: the DDE thread leaves in good order.
        view.Ticked = false;
        monitor.Click();
        QVERIFY(!feed.Stalled());
    }

    void theListEndsAtTheFirstUnsplittableReply() {
        StartServer({u"x|1|1|"_s, u"a|1|c"_s, u"y|1|1|"_s});
        QCOMPARE(Tick(), u"x: 1\r\n"_s);
        StartServer({u"x|1|1|"_s, u"a|n/a|c|d"_s, u"y|1|1|"_s});
        QCOMPARE(Tick(), u"x: 1\r\n"_s);
    }

    void noServerShowsNoDownloads() { QCOMPARE(Tick(), MonitorTexts::NoDownloads); }

    void aHungServerCostsOneDeadlineNotTheWindow() {
        StartServer({u"--hang"_s, u"2"_s, u"a|1|b|"_s, u"c|1|d|"_s});
        RecordingView view;
        auto owned = std::make_unique<DdeFeed>();
        DdeFeed& feed = *owned;
        DownloadMonitor monitor(view, std::move(owned), us);
        monitor.Click();
        QCOMPARE(feed.Request(1), std::optional<QString>(u"a|1|b|"_s));

        QElapsedTimer clock;
        clock.start();
        monitor.Tick(logPath, logStamp);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(view.Getright, u"a: b\r\n"_s);
        // DDE itself holds the abandoned thread for seconds more; meanwhile the ticks go on
        // without waiting for it, and show nothing rather than a stale list.
        QVERIFY(feed.Stalled());
        clock.restart();
        monitor.Tick(logPath, logStamp);
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(view.Getright, MonitorTexts::NoDownloads);

        // GetRight is restarted: once the old thread is through, a fresh one reaches it.
        server->kill();
        server->waitForFinished(5000);
        server.reset();
        StartServer({u"e|1|f|"_s});
        QTRY_VERIFY_WITH_TIMEOUT(!feed.Stalled(), 30000);
        monitor.Tick(logPath, logStamp);
        QCOMPARE(view.Getright, u"e: f\r\n"_s);
    }
};

QTEST_GUILESS_MAIN(tst_DdeFeed)
#include "tst_DdeFeed.moc"
