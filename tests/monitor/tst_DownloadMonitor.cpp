#include "MonitorFakes.h"
#include "TestSupport.h"

#include "analysis/LogAnalysis.h"

#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// A GetRight that stops answering: each request waits until the test lets it go.
class StuckFeed : public DownloadFeed {
public:
    std::optional<QString> Request(int ItemNumber) override {
        Asked.fetchAndAddOrdered(1);
        Release.acquire();
        if (ItemNumber == 1) return u"a|1|b|"_s;
        return std::nullopt;
    }
    QSemaphore Release;
    QAtomicInt Asked;
};

} // namespace

class tst_DownloadMonitor : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString logPath;
    QString logStamp;
    const QLocale us{QLocale::English, QLocale::UnitedStates};

    struct Rig {
        RecordingView View;
        ScriptedFeed* Feed = nullptr;
        std::unique_ptr<DownloadMonitor> Monitor;
    };
    std::unique_ptr<Rig> Make(std::vector<std::optional<QString>> replies) {
        auto rig = std::make_unique<Rig>();
        auto feed = std::make_unique<ScriptedFeed>(std::move(replies));
        rig->Feed = feed.get();
        rig->Monitor = std::make_unique<DownloadMonitor>(rig->View, std::move(feed), us);
        return rig;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        logPath = TestSupport::WriteFile(dir, u"getright.log"_s, "12/31/01 10:00:00 - File: a\r\n");
        logStamp = LogAnalysis::FileStamp(logPath);
        QVERIFY(!logStamp.isEmpty());
    }

    void listsEachDownloadUpToTheFirstFailure() {
        auto rig = Make({u"a.zip|2048|50|x|y"_s, u"b.exe|1|75%|"_s, std::nullopt, u"c|1|2|3"_s});
        rig->Monitor->Tick(logPath, logStamp);
        QCOMPARE(rig->View.Getright, u"a.zip: 50\r\nb.exe: 75%\r\n"_s);
        QCOMPARE(rig->Feed->Asked, (std::vector<int>{1, 2, 3}));
        QCOMPARE(rig->View.LastReply, u"b.exe|1|75%|"_s);
        QVERIFY(!rig->View.LogChanged);

        // Unsplittable replies end the list too, and are still the last reply shown in Text1.
        for (const QString& last : {u"a|1|c"_s, u"a|n/a|c|d"_s, u""_s}) {
            auto ended = Make({u"x|1|1|"_s, last, u"never|1|asked|"_s});
            ended->Monitor->Tick(logPath, logStamp);
            QCOMPARE(ended->View.Getright, u"x: 1\r\n"_s);
            QCOMPARE(ended->Feed->Asked.size(), size_t(2));
            QCOMPARE(ended->View.LastReply, last);
        }
    }

    void showsNoDownloadsAndDoesNotRewriteAnUnchangedList() {
        auto none = Make({});
        none->View.Getright = u"stale: 1\r\n"_s;
        none->Monitor->Tick(logPath, logStamp);
        QCOMPARE(none->View.Getright, MonitorTexts::NoDownloads);

        auto rig = Make({u"a|1|b|"_s});
        rig->Monitor->Tick(logPath, logStamp);
        QCOMPARE(rig->View.Writes, 1);
        rig->Monitor->Tick(logPath, logStamp);
        QCOMPARE(rig->View.Writes, 1);
        rig->Feed->Replies = {u"a|1|c|"_s};
        rig->Monitor->Tick(logPath, logStamp);
        QCOMPARE(rig->View.Writes, 2);
        QCOMPARE(rig->View.Getright, u"a: c\r\n"_s);

        // Only blanks are trimmed, so a line of an empty name and size is still a list.
        auto blank = Make({u"|1||"_s});
        blank->Monitor->Tick(logPath, logStamp);
        QCOMPARE(blank->View.Getright, u": \r\n"_s);
    }

    void anUnreadableStampEndsTheTickBeforeTheFeed() {
        for (const QString& path : {QString(), dir.filePath(u"gone.log"_s)}) {
            auto rig = Make({u"a|1|b|"_s});
            rig->View.Getright = u"a: b\r\n"_s;
            rig->Monitor->Tick(path, logStamp);
            QVERIFY(rig->Feed->Asked.empty());
            QCOMPARE(rig->View.Getright, MonitorTexts::NoDownloads);
            QVERIFY(!rig->View.LogChanged);
        }
    }

    void aNewStampShowsLogChangedEvenWhenTheBoxIsUnticked() {
        const QString path = TestSupport::WriteFile(dir, u"touched.log"_s, "x");
        const QString stamp = LogAnalysis::FileStamp(path);

        auto rig = Make({u"a|1|b|"_s});
        rig->Monitor->Tick(path, stamp);
        QVERIFY(!rig->View.LogChanged);

        QVERIFY(Touch(path, 5));
        rig->View.Ticked = false;
        rig->Monitor->Tick(path, stamp);
        QVERIFY(rig->View.LogChanged);
        QCOMPARE(rig->View.Getright, MonitorTexts::NotMonitoring);
        QCOMPARE(rig->Feed->Asked.size(), size_t(2));
    }

    // The feed is let go a while after monitoring stops, not at once: the analysis pass
    // unticks the box and ticks it again, and that must not restart GetRight's helper.
    void clickSetsTheIntervalAndOpensOrClosesTheFeed() {
        auto rig = Make({});
        rig->Monitor->KeepFeedFor(200);
        QCOMPARE(rig->Monitor->Click(), MonitorIntervalMs);
        QCOMPARE(rig->Feed->Opened, 1);
        QCOMPARE(rig->View.Writes, 0);
        rig->View.Ticked = false;
        QCOMPARE(rig->Monitor->Click(), 0);
        QCOMPARE(rig->View.Getright, MonitorTexts::NotMonitoring);
        QCOMPARE(rig->Feed->Closed, 0);
        rig->View.Ticked = true;
        rig->Monitor->Click();
        QTest::qWait(400);
        QCOMPARE(rig->Feed->Closed, 0);
        rig->View.Ticked = false;
        rig->Monitor->Click();
        QTRY_COMPARE_WITH_TIMEOUT(rig->Feed->Closed, 1, 5000);
    }

    // A fresh box, or one that holds what the round found, is still written by the first
    // display after ticking: the user always sees where monitoring stands.
    void theFirstTickAfterTickingAlwaysWrites() {
        auto fresh = Make({});
        fresh->Monitor->Click();
        fresh->Monitor->Tick(QString(), QString());
        QCOMPARE(fresh->View.Getright, MonitorTexts::NoDownloads);
        QCOMPARE(fresh->View.Writes, 1);

        auto same = Make({u"a|1|b|"_s});
        same->View.Getright = u"a: b\r\n"_s;
        same->Monitor->Click();
        same->Monitor->Tick(logPath, logStamp);
        QCOMPARE(same->View.Writes, 1);
    }

    // On the worker thread a round that waits on GetRight never holds the tick: the event
    // loop goes on, a tick meanwhile starts no second round, and the box is written when
    // the round comes back.
    void aStuckGetRightNeverHoldsTheTick() {
        RecordingView view;
        auto feed = std::make_shared<StuckFeed>();
        DownloadMonitor monitor(view, feed, us, FeedRounds::OnWorkerThread);
        monitor.Click();
        QStringList events;
        monitor.Tick(logPath, logStamp);
        events << u"tick returned"_s;
        QVERIFY(monitor.RoundWaiting());
        QTimer::singleShot(0, [&] {
            events << (view.Writes == 0 ? u"timer while the round waits"_s : u"timer late"_s);
        });
        QTRY_COMPARE(feed->Asked.loadAcquire(), 1);
        QTRY_COMPARE(events.size(), 2);
        monitor.Tick(logPath, logStamp);
        QTest::qWait(50);
        QCOMPARE(feed->Asked.loadAcquire(), 1);
        QCOMPARE(view.Writes, 0);

        feed->Release.release(2); // item 1 answers, item 2 fails
        QTRY_COMPARE(view.Getright, u"a: b\r\n"_s);
        QCOMPARE(view.LastReply, u"a|1|b|"_s);
        QVERIFY(!monitor.RoundWaiting());
        QCOMPARE(events, QStringList({u"tick returned"_s, u"timer while the round waits"_s}));

        // A round that comes back after the box was unticked shows nothing.
        monitor.Tick(logPath, logStamp);
        QTRY_COMPARE(feed->Asked.loadAcquire(), 3);
        view.Ticked = false;
        monitor.Click();
        feed->Release.release(2);
        QTRY_VERIFY(!monitor.RoundWaiting());
        QCOMPARE(view.Getright, MonitorTexts::NotMonitoring);
    }

    void anItemNumberPastItsRangeEndsTheRound() {
        std::vector<std::optional<QString>> replies(40000, u"a|1|b|"_s);
        ScriptedFeed feed(std::move(replies));
        const QString text = CollectRound(feed, us).MonitorText;
        QCOMPARE(feed.Asked.back(), 32767);
        QCOMPARE(text.size(), qsizetype(32767) * 6);
    }
};

QTEST_GUILESS_MAIN(tst_DownloadMonitor)
#include "tst_DownloadMonitor.moc"
