#include "TestSupport.h"
#include "records/modErrorHandling.h"
#include "view/TreeBuilds.h"

#include <QTest>

#include <QScopeGuard>

#include <algorithm>
#include <limits>
#include <utility>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// Four downloads: the first with every kind of detail line, the second with none beyond
// the three fixed ones, a third of the same file name elsewhere, a fourth whose URL and
// path have no separator. Two days, the later one first in text order.
QByteArray SmallLog(bool endWithLongDate = false) {
    QByteArray log = CrLf({
        "01/02/02 09:00:00 - File: C:\\Down\\Setup.exe=http://h.example/pub/setup.exe",
        "01/02/02 09:00:01 - (Re)Started download: http://h.example/pub/setup.exe",
        "01/02/02 09:00:02 - (Re)Started download: http://h.example/pub/setup.exe",
        "01/02/02 09:00:03 - Could not resume (restarting from 0): http://h.example/pub/setup.exe",
        "01/02/02 09:00:04 - Resumed: setup.exe at: 1024",
        "01/02/02 09:00:05 - Resumed: setup.exe at: 1264195584",
        "01/02/02 09:00:06 - Finished downloading: C:\\Down\\setup.exe",
        "01/02/02 10:15:32 - File: C:\\Other\\beta.zip=http://h.example/pub/beta.zip",
        "01/03/02 08:00:00 - File: C:\\Other\\setup.exe=ftp://f.example/setup.exe",
        "01/03/02 08:00:01 - File: plain.bin=plain.bin",
    });
    if (endWithLongDate) log += CrLf({"01/03/2002 08:00:02 - Connecting to f.example"});
    return log;
}

// Everything the window would be told, in order.
struct BuildHost : PopulateHost {
    QStringList Calls;
    std::function<void()> OnDoEvents;
    qint32 FailAtValue = 0;

    void SetTreeVisible(bool v) override { Calls << u"tree "_s + (v ? u"shown"_s : u"hidden"_s); }
    void DoEvents() override {
        Calls << u"doevents"_s;
        if (OnDoEvents) std::exchange(OnDoEvents, nullptr)();
    }
    void SetProgressVisible(bool v) override { Calls << u"bar visible "_s + QString::number(v); }
    void SetProgressCaption(const QString& c) override { Calls << u"bar caption "_s + c; }
    void SetProgressMin(qint32 v) override { Calls << u"bar min "_s + QString::number(v); }
    void SetProgressMax(qint32 v) override { Calls << u"bar max "_s + QString::number(v); }
    void SetProgressValue(qint32 v) override {
        if (v == FailAtValue) throw QuillanError(380, u"ucPBar"_s, u"Invalid property value"_s);
        Calls << u"bar value "_s + QString::number(v);
    }
    void SetSortButtonEnabled(SortOrder b, bool e) override {
        Calls << u"button "_s + QString::number(int(b)) + (e ? u" on"_s : u" off"_s);
    }
};

// Enough downloads for a build's helper thread, over several days, hosts and folders, with
// every kind of detail line here and there and a few repeated file names.
QByteArray ManyDownloads(int count) {
    QByteArray log;
    for (int i = 0; i < count; ++i) {
        const QByteArray day = QByteArray::number(1 + i / 150).rightJustified(2, '0');
        const QByteArray time = "09:" + QByteArray::number(i / 60 % 60).rightJustified(2, '0') +
                                ':' + QByteArray::number(i % 60).rightJustified(2, '0');
        const QByteArray at = "01/" + day + "/02 " + time + " - ";
        // Some names beyond Latin-1, whose texts cross to the tree as UTF-16.
        const QByteArray name = (i % 11 == 0 ? "r\xC3\xA9sum\xE2\x82\xAC" : "file") +
                                QByteArray::number(i % 97) + ".zip";
        const QByteArray url = "http://h" + QByteArray::number(i % 7) + ".example/d" +
                               QByteArray::number(i % 5) + '/' + QByteArray::number(i) + '/' + name;
        log += at + "File: C:\\Down" + QByteArray::number(i % 3) + "\\" + name + '=' + url + "\r\n";
        if (i % 4 == 0) log += at + "(Re)Started download: " + url + "\r\n";
        if (i % 6 == 0) log += at + "(Re)Started download: " + url + "\r\n";
        if (i % 5 == 0)
            log += at + "Resumed: " + name + " at: " + QByteArray::number(i * 4096) + "\r\n";
        if (i % 9 == 0) log += at + "Could not resume (restarting from 0): " + url + "\r\n";
        if (i % 3 != 1) log += at + "Finished downloading: C:\\Down\\" + name + "\r\n";
    }
    return log;
}

QStringList Nodes(const TreeModel& tree, qint32 first, qint32 last) {
    QStringList out;
    for (qint32 node = first; node <= last; ++node)
        out << tree.Key(node) + u'|' + QString::number(tree.Image(node)) + u'|' +
                   tree.Text(node).toString();
    return out;
}

QStringList Shown(const TreeModel& tree, qint32 maxDepth = 1) {
    QStringList out;
    tree.ForEachDisplayed([&](qint32 node, qint32 depth) {
        if (depth <= maxDepth) out << QString(depth * 2, u' ') + tree.Text(node).toString();
    });
    return out;
}

} // namespace

class tst_TreeBuilds : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    LogAnalysis analysis{LocaleFormats::Named(u"en_US"_s)};
    TreeModel tree;
    SortOrder mode = SortOrder::NoSort;
    BuildHost host;

    void Load(const QByteArray& log) {
        analysis.LoadLogFile(WriteFile(dir, u"small.log"_s, log));
        QVERIFY(analysis.RunPass().Completed);
        tree.Clear();
        tree.SetRootSorted(false);
        mode = SortOrder::NoSort;
        PopulateTree(tree, mode, analysis, host);
    }

    void Click(SortOrder button) {
        host.Calls.clear();
        SortButtonClick(button, mode, tree, analysis, host);
    }

private slots:
    void init() { Load(SmallLog()); }

    void keysTextsAndImagesOfEachBuild() {
        const QStringList first = Nodes(tree, 1, 9);
        QCOMPARE(first, QStringList({
                            u"Entry: 1|5|setup.exe"_s,
                            u"Started Entry: 1|3|Added: 01/02/02 - 09:00:00 AM"_s,
                            u"URL Entry: 1|2|URL: http://h.example/pub/setup.exe"_s,
                            u"Local Entry: 1|6|Local Path: C:\\Down\\Setup.exe"_s,
                            u"Restarts Entry: 1|7|Restarts: 1"_s,
                            u"Mirrors Entry: 1|9|Mirror Swaps: 1"_s,
                            u"Resumes Entry: 1|1|Resumes: 1"_s,
                            u"Bytes Entry: 1|8|KBytes Resumed: 1,234,567 Kb"_s,
                            u"Finished Entry: 1|10|Finished: 01/02/02 - 09:00:06 AM"_s,
                        }));
        // A record with nothing to tell beyond the fixed three lines.
        QCOMPARE(tree.ChildCount(tree.Find(u"Entry: 2")), 3);
        QCOMPARE(tree.Text(tree.Find(u"Entry: 3")).toString(), u"setup.exe");
        QCOMPARE(tree.Count(), 4 + 8 + 3 * 3);

        Click(SortOrder::ByDate);
        QCOMPARE(Nodes(tree, 1, 2), QStringList({u"Date: 01/02/02|3|Wednesday, January 2, 2002"_s,
                                                 u"Entry: 1|5|setup.exe"_s}));
        QCOMPARE(tree.Text(tree.Find(u"Started Entry: 1")).toString(), u"Added: 09:00:00 AM");
        QCOMPARE(tree.Text(tree.Find(u"Bytes Entry: 1")).toString(),
                 u"Bytes Resumed: 1,234,567 Kb");

        Click(SortOrder::ByURL);
        QCOMPARE(Nodes(tree, 1, 1),
                 QStringList({u"URL: http://h.example/pub/|3|http://h.example/pub/"_s}));
        QCOMPARE(tree.Text(tree.Find(u"Started Entry: 1")).toString(),
                 u"Added: Wednesday, January 2, 2002 / 09:00:00 AM");
        QCOMPARE(tree.Text(tree.Find(u"Bytes Entry: 1")).toString(),
                 u"KBytes Resumed: 1,234,567 Kb");
        // No separator at all: a group with an empty folder.
        QCOMPARE(tree.Text(tree.Find(u"URL: ")).toString(), u"");
        QCOMPARE(tree.Parent(tree.Find(u"Entry: 4")), tree.Find(u"URL: "));

        Click(SortOrder::ByLocal);
        QCOMPARE(Nodes(tree, 1, 1), QStringList({u"Local: C:\\Down\\|6|C:\\Down\\"_s}));
        QCOMPARE(tree.Text(tree.Find(u"Started Entry: 2")).toString(),
                 u"Added: 01/02/02 / 10:15:32 AM");
        QCOMPARE(tree.Parent(tree.Find(u"Entry: 4")), tree.Find(u"Local: "));

        // The by-local positions follow the date length of the last analysed line.
        Load(SmallLog(true));
        Click(SortOrder::ByLocal);
        QCOMPARE(tree.Text(tree.Find(u"Started Entry: 2")).toString(),
                 u"Added: 01/02/02 - / :15:32 AM");
    }

    void orderOfEachModeAndSequence() {
        const QStringList collection = {u"setup.exe"_s, u"beta.zip"_s, u"setup.exe"_s,
                                        u"plain.bin"_s};
        const QStringList byName = {u"beta.zip"_s, u"plain.bin"_s, u"setup.exe"_s, u"setup.exe"_s};
        QCOMPARE(Shown(tree, 0), collection);
        QCOMPARE(tree.Selected(), tree.Find(u"Entry: 1"));

        Click(SortOrder::ByName);
        QCOMPARE(Shown(tree, 0), byName);
        QCOMPARE(tree.Key(tree.Child(TreeModel::NoNode, 2)),
                 u"Entry: 1");                             // equal names: record order
        QCOMPARE(tree.Selected(), tree.Find(u"Entry: 1")); // node 1, not the top of the screen
        Click(SortOrder::NoSort);
        QCOMPARE(Shown(tree, 0), byName);

        Click(SortOrder::ByDate);
        QCOMPARE(Shown(tree),
                 QStringList({u"Wednesday, January 2, 2002"_s, u"  beta.zip"_s, u"  setup.exe"_s,
                              u"Thursday, January 3, 2002"_s, u"  plain.bin"_s, u"  setup.exe"_s}));
        QCOMPARE(tree.Selected(), tree.Find(u"Date: 01/02/02"));
        Click(SortOrder::NoSort);
        QCOMPARE(Shown(tree, 0), collection);

        Click(SortOrder::ByURL);
        QCOMPARE(Shown(tree),
                 QStringList({u""_s, u"  plain.bin"_s, u"ftp://f.example/"_s, u"  setup.exe"_s,
                              u"http://h.example/pub/"_s, u"  beta.zip"_s, u"  setup.exe"_s}));
        Click(SortOrder::NoSort);
        QCOMPARE(Shown(tree, 0), byName);

        Click(SortOrder::ByLocal);
        QCOMPARE(Shown(tree),
                 QStringList({u""_s, u"  plain.bin"_s, u"C:\\Down\\"_s, u"  setup.exe"_s,
                              u"C:\\Other\\"_s, u"  beta.zip"_s, u"  setup.exe"_s}));
        // Detail lines keep their fixed order under any mode.
        const qint32 entry = tree.Find(u"Entry: 1");
        QCOMPARE(tree.Key(tree.Child(entry, 0)), u"Started Entry: 1");
        QCOMPARE(tree.Key(tree.Child(entry, 7)), u"Finished Entry: 1");
    }

    void buttonsProgressAndClickRule() {
        Click(SortOrder::ByURL);
        const QStringList expected = {
            u"tree hidden"_s,  u"doevents"_s,    u"bar visible 1"_s, u"bar caption Populating"_s,
            u"bar max 4"_s,    u"bar min 1"_s,   u"bar value 1"_s,   u"bar value 2"_s,
            u"bar value 3"_s,  u"bar value 4"_s, u"bar visible 0"_s, u"button 1 on"_s,
            u"button 4 on"_s,  u"button 2 on"_s, u"button 3 on"_s,   u"button 0 on"_s,
            u"button 3 off"_s, u"tree shown"_s};
        QCOMPARE(host.Calls, expected);
        QCOMPARE(analysis.CurLine(), 5);

        // The flat build sets its bar up in its own order, and no minimum.
        Click(SortOrder::NoSort);
        QCOMPARE(host.Calls.mid(2, 3),
                 QStringList({u"bar max 4"_s, u"bar caption Populating"_s, u"bar visible 1"_s}));

        // The current mode's button does nothing at all.
        host.Calls.clear();
        QVERIFY(!SortButtonClick(SortOrder::NoSort, mode, tree, analysis, host));
        QVERIFY(host.Calls.isEmpty());
    }

    void helperThreadBuildsTheSameTree() {
        Load(ManyDownloads(700));
        QVERIFY(analysis.Entries().Count() > 500);
        // Read as UTF-8, or in the Windows code page: either way beyond Latin-1.
        const QString name = analysis.Entries().Item(1)->FName();
        QVERIFY(std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() > 0xFF; }));
        const auto build = [&](SortOrder order, qint32 threshold, qint32 failAt) {
            SetBuildHelperThreshold(threshold);
            host.FailAtValue = failAt;
            mode = order == SortOrder::NoSort ? SortOrder::ByDate : SortOrder::NoSort;
            host.Calls.clear();
            try {
                SortButtonClick(order, mode, tree, analysis, host);
            } catch (const QuillanError&) {
                host.Calls << u"failed"_s;
            }
            QStringList out = host.Calls;
            out << u"at "_s + QString::number(analysis.CurLine());
            out += Nodes(tree, 1, tree.Count());
            for (qint32 node = 1; node <= tree.Count(); ++node)
                out << QString::number(tree.Parent(node));
            out += Shown(tree, 2);
            return out;
        };
        const auto restore = qScopeGuard([&] {
            SetBuildHelperThreshold(DefaultBuildHelperThreshold);
            host.FailAtValue = 0;
        });
        for (const SortOrder order : SortButtonOrder) {
            // Whole builds, and builds that fail at a record while the helper is ahead.
            for (const qint32 failAt : {0, 3, 613}) {
                const QStringList alone = build(order, std::numeric_limits<qint32>::max(), failAt);
                const QStringList helped = build(order, 0, failAt);
                QCOMPARE(helped.size(), alone.size());
                QCOMPARE(helped, alone);
            }
        }
    }

    void failuresEmptyLogsAndReentry() {
        // The flat build ends quietly at a failure, keeping what it added; the rebuild
        // still enables the buttons and selects node 1.
        host.FailAtValue = 3;
        Click(SortOrder::ByName);
        host.FailAtValue = 0;
        QCOMPARE(tree.Count(), 9 + 4);
        QVERIFY(!tree.RootSorted());
        QVERIFY(!host.Calls.contains(u"bar visible 0"_s));
        QCOMPARE(host.Calls.mid(host.Calls.size() - 3),
                 QStringList({u"button 0 on"_s, u"button 2 off"_s, u"tree shown"_s}));
        QCOMPARE(tree.Selected(), 1);

        // A click handled during the message-loop pass rebuilds first; the outer rebuild
        // then uses the mode that click chose.
        host.OnDoEvents = [&] { Click(SortOrder::ByDate); };
        Click(SortOrder::ByURL);
        QCOMPARE(mode, SortOrder::ByDate);
        QCOMPARE(tree.Key(1), u"Date: 01/02/02");
        QCOMPARE(tree.Find(u"URL: "), TreeModel::NoNode);

        // No record at all: nothing to select, the tree shown empty.
        Load(CrLf({"01/02/02 09:00:00 - Connecting to h.example"}));
        QCOMPARE(tree.Count(), 0);
        QCOMPARE(tree.Selected(), TreeModel::NoNode);
        QVERIFY(tree.Visible());
    }
};

QTEST_APPLESS_MAIN(tst_TreeBuilds)
#include "tst_TreeBuilds.moc"
