#include "MonitorFakes.h"
#include "TestSupport.h"

#include "analysis/LogAnalysis.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

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

    void clickSetsTheIntervalAndOpensOrClosesTheFeed() {
        auto rig = Make({});
        QCOMPARE(rig->Monitor->Click(), MonitorIntervalMs);
        QCOMPARE(rig->Feed->Opened, 1);
        QCOMPARE(rig->View.Writes, 0);
        rig->View.Ticked = false;
        QCOMPARE(rig->Monitor->Click(), 0);
        QCOMPARE(rig->View.Getright, MonitorTexts::NotMonitoring);
        QCOMPARE(rig->Feed->Closed, 1);
    }

    void anItemNumberPastItsRangeEndsTheRound() {
        std::vector<std::optional<QString>> replies(40000, u"a|1|b|"_s);
        ScriptedFeed feed(std::move(replies));
        RecordingView view;
        const QString text = DownloadMonitor::CollectDownloads(feed, view, us);
        QCOMPARE(feed.Asked.back(), 32767);
        QCOMPARE(text.size(), qsizetype(32767) * 6);
    }
};

QTEST_APPLESS_MAIN(tst_DownloadMonitor)
#include "tst_DownloadMonitor.moc"
