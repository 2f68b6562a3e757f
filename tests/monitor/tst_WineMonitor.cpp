#include "MonitorFakes.h"
#include "WinePrefixRig.h"

#include "analysis/LogAnalysis.h"
#include "platform/BridgeFeed.h"

#include <QElapsedTimer>
#include <QFile>

#include "platform/WineRegistry.h"

// The real pieces under Wine: the DDE client and the settings reader in a Windows test
// program, and the Linux bridge feed through quillan-dde-bridge.exe, all against the fake
// GetRight in a prefix of their own.
class tst_WineMonitor : public QObject {
    Q_OBJECT

    std::unique_ptr<WinePrefixRig> rig;
    std::unique_ptr<QProcess> server;
    QTemporaryDir logDir;
    QString logPath;
    QString logStamp;
    const QLocale us{QLocale::English, QLocale::UnitedStates};

    void StartServer(const QStringList& arguments) {
        StopServer();
        server = std::make_unique<QProcess>();
        server->setProcessEnvironment(rig->Environment());
        server->setStandardErrorFile(QProcess::nullDevice());
        server->start(u"wine"_s, QStringList{QStringLiteral(FAKE_GETRIGHT_EXE)} + arguments);
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
        server->waitForFinished(2000);
        server.reset();
    }

    BridgeFeed::Locator Bridge() const {
        const QProcessEnvironment environment = rig->Environment();
        return [environment] {
            return BridgeFeed::WineCommand(environment, QStringLiteral(QUILLAN_BRIDGE_EXE));
        };
    }
    // One tick of the monitor through the bridge; the text the box shows.
    // Generous deadlines: a loaded CI machine may start the helper slowly.
    static constexpr BridgeDeadlines Patient{30000, 10000};
    QString Tick(BridgeDeadlines deadlines = Patient) {
        RecordingView view;
        view.Getright = MonitorTexts::NotMonitoring;
        DownloadMonitor monitor(view, std::make_unique<BridgeFeed>(Bridge(), deadlines), us);
        monitor.Click();
        monitor.Tick(logPath, logStamp);
        return view.Getright;
    }

private slots:
    void initTestCase() {
        QUILLAN_REQUIRE_WINE(FAKE_GETRIGHT_EXE, QUILLAN_BRIDGE_EXE, WINE_SELFTEST_EXE);
        rig = std::make_unique<WinePrefixRig>();
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(rig->Create(), "wineboot -i in a temporary prefix failed");
        qInfo("prefix ready in %lld ms", clock.elapsed());
        logPath = logDir.filePath(u"getright.log"_s);
        QFile log(logPath);
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.close();
        logStamp = LogAnalysis::FileStamp(logPath);
    }
    void cleanup() { StopServer(); }
    void cleanupTestCase() {
        StopServer();
        rig.reset();
    }

    void win32ClientAndRegistryReaderAgainstWine() {
        const QString path = u"C:\\Program Files\\GetRight\\getright.log"_s;
        QVERIFY(rig->Wine({u"reg"_s, u"add"_s, u"HKCU\\Software\\QuillanTest"_s, u"/v"_s,
                           u"LogFile"_s, u"/t"_s, u"REG_SZ"_s, u"/d"_s, path, u"/f"_s}));
        QByteArray output;
        int failures = -1;
        rig->Run(u"wine"_s, {QStringLiteral(WINE_SELFTEST_EXE), u"registry"_s, path}, 60000,
                 &output, &failures);
        QVERIFY2(failures == 0, output.constData());

        StartServer({u"a.zip|2048|50|x|y"_s, u"b|1|c|C:\\dl\\b"_s, u""_s});
        rig->Run(u"wine"_s,
                 {QStringLiteral(WINE_SELFTEST_EXE), u"dde"_s, u"a.zip|2048|50|x|y"_s,
                  u"b|1|c|C:\\dl\\b"_s, u""_s},
                 60000, &output, &failures);
        QVERIFY2(failures == 0, output.constData());
    }

    void linuxSettingsReaderMeetsWineOwnUserReg() {
        const QString key = u"HKCU\\Software\\QuillanTest\\Paths"_s;
        const QString accented = u"C:\\GetRight\\T\u00e9l\u00e9chargements \u4e2d\\getright.log"_s;
        const QString share = uR"(\\server\share\dir\)"_s;
        const QString quoted = u"say \"hi\" 100%"_s;
        for (const auto& [name, value] :
             {std::pair{u"Accented"_s, accented}, std::pair{u"Share"_s, share},
              std::pair{u"Quoted"_s, quoted}})
            QVERIFY(rig->Wine({u"reg"_s, u"add"_s, key, u"/v"_s, name, u"/d"_s, value, u"/f"_s}));
        // The server writes user.reg when it ends; the next wine start brings it back.
        QVERIFY(rig->Run(u"wineserver"_s, {u"-k"_s}, 30000));
        rig->Run(u"wineserver"_s, {u"-w"_s}, 30000);
        QVERIFY(rig->Run(u"wineserver"_s, {u"-p30"_s}, 30000));

        QFile userReg(QDir(rig->Prefix()).filePath(u"user.reg"_s));
        QVERIFY(userReg.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(userReg.readAll());
        const QString keyPath = u"Software\\QuillanTest\\Paths\\"_s;
        QCOMPARE(WineRegistry::ReadString(text, keyPath, u"Accented"), std::optional(accented));
        QCOMPARE(WineRegistry::ReadString(text, keyPath, u"Share"), std::optional(share));
        QCOMPARE(WineRegistry::ReadString(text, keyPath, u"Quoted"), std::optional(quoted));
    }

    void bridgeFeedListsTheDownloadsInProgress() {
        StartServer(
            {u"a.zip|2048|50|x|y"_s, u"b.exe|1|75%|C:\\dl\\b.exe"_s, u"caf\u00e9.zip|1|\u00fc|"_s});

        RecordingView view;
        auto owned = std::make_unique<BridgeFeed>(Bridge(), Patient);
        BridgeFeed& feed = *owned;
        DownloadMonitor monitor(view, std::move(owned), us);
        QElapsedTimer clock;
        clock.start();
        monitor.Click();
        QCOMPARE(feed.Request(1), std::optional<QString>(u"a.zip|2048|50|x|y"_s));
        qInfo("bridge started and answered in %lld ms", clock.elapsed());

        clock.restart();
        monitor.Tick(logPath, logStamp);
        qInfo("tick of three downloads through the bridge: %lld ms", clock.elapsed());
        clock.restart();
        for (int i = 0; i < 10; ++i)
            monitor.Tick(logPath, logStamp);
        qInfo("then %lld ms a tick over ten", clock.elapsed() / 10);
        QCOMPARE(view.Getright, u"a.zip: 50\r\nb.exe: 75%\r\ncaf\u00e9.zip: \u00fc\r\n"_s);
        QCOMPARE(view.LastReply, u"caf\u00e9.zip|1|\u00fc|"_s);

        view.ShowLogChanged();
        view.Ticked = false;
        monitor.Click();
        // Kept a while, for the analysis pass's untick and tick; then let go.
        QVERIFY(feed.Running());
        monitor.Close();
        QVERIFY(!feed.Running());
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
        auto owned = std::make_unique<BridgeFeed>(Bridge(), BridgeDeadlines{15000, 500});
        BridgeFeed& feed = *owned;
        DownloadMonitor monitor(view, std::move(owned), us);
        monitor.Click();
        QTRY_COMPARE_WITH_TIMEOUT(feed.Request(1), std::optional<QString>(u"a|1|b|"_s), 15000);
        QElapsedTimer clock;
        clock.start();
        monitor.Tick(logPath, logStamp);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(view.Getright, u"a: b\r\n"_s);
        QVERIFY(!feed.Running());
    }

    // A GetRight stuck inside a request, or alive but answering nothing, never holds the
    // thread that ticks: the tick returns, its event loop runs while the round waits, and
    // the round ends within its deadlines with nothing collected.
    void aStuckServerNeverHoldsTheTickingThread_data() {
        QTest::addColumn<QStringList>("server");
        QTest::newRow("hangs inside a request") << QStringList{u"--hang"_s, u"1"_s, u"a|1|b|"_s};
        QTest::newRow("alive but silent") << QStringList{u"--silent"_s, u"a|1|b|"_s};
    }
    void aStuckServerNeverHoldsTheTickingThread() {
        QFETCH(QStringList, server);
        StartServer(server);
        RecordingView view;
        DownloadMonitor monitor(view, std::make_unique<BridgeFeed>(Bridge(), BridgeDeadlines{}), us,
                                FeedRounds::OnWorkerThread);
        monitor.Click();
        QStringList events;
        monitor.Tick(logPath, logStamp);
        events << u"tick returned"_s;
        QVERIFY(monitor.RoundWaiting());
        QTimer::singleShot(0, [&] {
            events << (monitor.RoundWaiting() ? u"timer while the round waits"_s
                                              : u"timer after the round"_s);
        });
        // Ticks while it waits start no other round.
        for (int i = 0; i < 3; ++i) {
            QTest::qWait(100);
            monitor.Tick(logPath, logStamp);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!monitor.RoundWaiting(), 60000);
        QCOMPARE(events, QStringList({u"tick returned"_s, u"timer while the round waits"_s}));
        QCOMPARE(view.Getright, MonitorTexts::NoDownloads);
    }
};

QTEST_GUILESS_MAIN(tst_WineMonitor)
#include "tst_WineMonitor.moc"
