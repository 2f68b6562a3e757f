#include "WindowRig.h"

#include "controls/ControlsTestSupport.h"
#include "view/ExecuteTarget.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QTreeView>

using namespace Qt::StringLiterals;
using ShellRig::Window;

namespace {

// Where the window hands control to the event loop, and how a test reaches that yield.
enum class YieldPoint { StartUp, ReReadLoaded, ReReadAnalysed, ReReadRebuild, SortRebuild };

// The other commands a user may fire while the window waits.
enum class Command {
    Browse,
    Default,
    ReRead,
    Sort,
    Search,
    Execute,
    MonitorBox,
    Tick,
    BrowseMissing, // a load that finds no file
    BrowseEmpty,   // a load that finds no line to keep
};

// Everything the user can see of the window's state, as lines that compare with a message.
QStringList Shown(const Window& w) {
    QStringList out;
    out << u"file: "_s + w.FileText();
    out << u"enabled: "_s + w.EnabledCommands();
    for (int i = 0; i < 7; ++i)
        out << u"stat %1: %2"_s.arg(i).arg(w.Stat(i));
    out << u"bar %1, re-read %2, exit %3, tree %4, log changed %5"_s.arg(w.Bar()->isVisible())
               .arg(w.Button(u"cmdReRead"_s)->isVisible())
               .arg(w.Button(u"cmdExit"_s)->isVisible())
               .arg(w.W->TreeView()->isVisible())
               .arg(w.Get(u"lblLogChanged"_s)->isVisible());
    out << u"mode %1, monitor box enabled %2"_s.arg(int(w.W->SortMode()))
               .arg(w.Get(u"chkMonitor"_s)->isEnabled());
    const TreeModel& tree = w.W->Tree();
    out << u"selected: "_s + (tree.Selected() ? tree.Key(tree.Selected()) : QString());
    tree.ForEachDisplayed([&](qint32 node, qint32 depth) {
        out << QString(depth * 2, u' ') + tree.Key(node) + u" | "_s + tree.Text(node).toString() +
                   u" | "_s + QString::number(tree.Image(node));
    });
    return out;
}

// The item model on screen agrees with the plain tree it adapts: every node is reachable
// through index()/parent() and the view's current row is the plain tree's selection.
void CheckViewMatchesTree(const Window& w) {
    const TreeModel& tree = w.W->Tree();
    const QAbstractItemModel* model = w.W->TreeView()->model();
    QCOMPARE(model->rowCount(), tree.ChildCount(TreeModel::NoNode));
    qint32 reached = 0;
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex child = model->index(row, 0, parent);
            ++reached;
            QCOMPARE(model->parent(child), parent);
            QCOMPARE(child.data().toString(), tree.Text(qint32(child.internalId())).toString());
            walk(child);
        }
    };
    walk({});
    QCOMPARE(reached, tree.Count());
    if (tree.Count() > 0) {
        QVERIFY(tree.Selected() >= 1 && tree.Selected() <= tree.Count());
        QCOMPARE(w.W->TreeView()->currentIndex().internalId(), quintptr(tree.Selected()));
    }
}

} // namespace

// Every yield of the window with every other command fired inside it. The window must end
// exactly as if the commands had come one after another: the same file, counts, enabled
// set and tree as a fresh window that loaded the log it ends on, in the order it ends in.
class tst_Reentrancy : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString twoLog, threeLog;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(u"en_US"_s));
        QuietGrabWarnings();
        twoLog = ShellRig::WriteLog(dir, u"two.log"_s,
                                    {"12/31/01 09:35:14 - File: C:\\a.zip=http://h/a.zip",
                                     "12/31/01 09:36:14 - File: C:\\b.zip=http://h/b.zip",
                                     "12/31/01 09:37:14 - Finished downloading: C:\\a.zip"});
        threeLog = ShellRig::WriteLog(dir, u"three.log"_s,
                                      {"01/02/02 10:00:00 - File: D:\\x.exe=ftp://m/x.exe",
                                       "01/02/02 10:00:01 - File: D:\\y.exe=ftp://m/y.exe",
                                       "01/02/02 10:00:02 - Resumed: y.exe at: 2048",
                                       "01/02/02 10:00:03 - File: D:\\z.exe=ftp://n/z.exe"});
    }

    void commandDuringYield_data() {
        QTest::addColumn<YieldPoint>("point");
        QTest::addColumn<Command>("command");
        QTest::addColumn<bool>("monitoring");
        const std::pair<YieldPoint, const char*> points[] = {
            {YieldPoint::StartUp, "start-up"},
            {YieldPoint::ReReadLoaded, "re-read, loaded"},
            {YieldPoint::ReReadAnalysed, "re-read, analysed"},
            {YieldPoint::ReReadRebuild, "re-read, rebuild"},
            {YieldPoint::SortRebuild, "sort, rebuild"}};
        const std::pair<Command, const char*> commands[] = {
            {Command::Browse, "browse"},
            {Command::Default, "D"},
            {Command::ReRead, "re-read"},
            {Command::Sort, "sort"},
            {Command::Search, "search"},
            {Command::Execute, "execute"},
            {Command::MonitorBox, "monitor box"},
            {Command::Tick, "tick"},
            {Command::BrowseMissing, "browse, missing file"},
            {Command::BrowseEmpty, "browse, empty file"}};
        for (const bool monitoring : {false, true})
            for (const auto& [point, pointName] : points)
                for (const auto& [command, commandName] : commands)
                    QTest::addRow("%s%s: %s", monitoring ? "monitoring, " : "", pointName,
                                  commandName)
                        << point << command << monitoring;
    }

    void commandDuringYield() {
        QFETCH(YieldPoint, point);
        QFETCH(Command, command);
        QFETCH(bool, monitoring);
        const QString missingLog = dir.filePath(u"missing.log"_s);
        const QString emptyLog = TestSupport::WriteFile(dir, u"empty.log"_s, QByteArray());
        const bool failingLoad =
            command == Command::BrowseMissing || command == Command::BrowseEmpty;
        const QString failing = command == Command::BrowseMissing ? missingLog : emptyLog;

        // "D" opens the sample; the log on screen before the yield is the two-line one.
        Window w(TestSupport::SampleLog(), Window::Start::Later);
        QAbstractItemModelTester tester(w.W->TreeView()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        auto* box = w.Get<QCheckBox>(u"chkMonitor"_s);
        bool fired = false;
        bool boxWasEnabled = false;
        bool executable = false;
        auto fire = [&] {
            fired = true;
            switch (command) {
            case Command::Browse:
                w.Browse(threeLog);
                break;
            case Command::Default:
                w.Click(u"cmdOpenDefault"_s);
                break;
            case Command::ReRead:
                w.Click(u"cmdReRead"_s);
                break;
            case Command::Sort:
                w.Click(u"cmdByDate"_s);
                break;
            case Command::Search:
                w.Get<QLineEdit>(u"txtSearch"_s)->setText(u"b.zip"_s);
                w.Click(u"cmdSearch"_s);
                break;
            case Command::Execute:
                // What the tree holds at that moment is what an enabled button opens.
                executable = w.Button(u"cmdPlay"_s)->Enabled() && w.W->Tree().Count() > 0 &&
                             DecideExecute(w.W->Tree()).What == ExecuteAction::Kind::Run;
                w.Click(u"cmdPlay"_s);
                break;
            case Command::MonitorBox:
                boxWasEnabled = box->isEnabled();
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
                break;
            case Command::Tick:
                w.W->Timer1_Timer();
                break;
            case Command::BrowseMissing:
            case Command::BrowseEmpty:
                w.Browse(failing);
                break;
            }
        };
        int at = 0;
        w.Fakes.DuringYield = [&](int n) {
            if (n == at && !fired) fire();
        };

        // The command that yields, taken on a window: start-up, or the two-line log loaded
        // and then re-read or re-sorted.
        const auto lead = [&](Window& on, bool fresh) {
            auto* onBox = on.Get<QCheckBox>(u"chkMonitor"_s);
            if (point == YieldPoint::StartUp) {
                if (monitoring) onBox->setChecked(true);
                if (!fresh) on.Started();
                return;
            }
            if (!fresh) on.Started();
            on.Browse(twoLog);
            if (monitoring) onBox->setChecked(true);
            if (point == YieldPoint::SortRebuild) {
                // The user has picked the first download's address.
                QTreeView* view = on.W->TreeView();
                view->setCurrentIndex(view->model()->index(1, 0, view->model()->index(0, 0)));
                on.Click(u"cmdByURL"_s);
            } else {
                on.Click(u"cmdReRead"_s);
            }
        };
        if (failingLoad) {
            // A load that fails inside the yield ends as the same commands taken in turn.
            at = point == YieldPoint::StartUp                                            ? 1
                 : point == YieldPoint::ReReadLoaded || point == YieldPoint::SortRebuild ? 4
                 : point == YieldPoint::ReReadAnalysed                                   ? 5
                                                                                         : 6;
            lead(w, false);
            QVERIFY(fired);
            QCoreApplication::processEvents();
            Window fresh(TestSupport::SampleLog(), Window::Start::Later);
            if (point == YieldPoint::StartUp && monitoring)
                fresh.Get<QCheckBox>(u"chkMonitor"_s)->setChecked(true);
            fresh.Started();
            if (point != YieldPoint::StartUp) lead(fresh, true);
            fresh.Browse(failing);
            QCOMPARE(Shown(w), Shown(fresh));
            CheckViewMatchesTree(w);
            QCOMPARE(box->isChecked(), monitoring);
            QCOMPARE(w.W->MonitorClockRunning(), monitoring);
            QCOMPARE(w.Fakes.Boxes->Shown, fresh.Fakes.Boxes->Shown);
            return;
        }

        if (point == YieldPoint::StartUp) {
            at = 1;
            if (monitoring) box->setChecked(true);
            w.Started();
        } else {
            w.Started();
            w.Browse(twoLog);
            if (monitoring) box->setChecked(true);
            QVERIFY(!fired);
            const int base = w.Fakes.Yields;
            switch (point) {
            case YieldPoint::ReReadLoaded:
                at = base + 1;
                break;
            case YieldPoint::ReReadAnalysed:
                at = base + 2;
                break;
            case YieldPoint::ReReadRebuild:
                at = base + 3;
                break;
            default:
                at = base + 1;
                break;
            }
            if (point == YieldPoint::SortRebuild) {
                // The user has picked the first download's address.
                QTreeView* view = w.W->TreeView();
                view->setCurrentIndex(view->model()->index(1, 0, view->model()->index(0, 0)));
                QVERIFY(w.W->Tree().Text(w.W->Tree().Selected()).toString().startsWith(u"URL: "));
                w.Click(u"cmdByURL"_s);
            } else {
                w.Click(u"cmdReRead"_s);
            }
        }
        QVERIFY(fired);
        QCoreApplication::processEvents();

        // The log it ends on and the order it ends in, reached by a fresh window that opened
        // the same logs one after another (the dates of the log before stay when a log
        // has none).
        Window fresh(TestSupport::SampleLog());
        // (At start-up the strip may show the default log without anything loaded.)
        if (!w.W->Analysis().LogFilePath().isEmpty()) {
            QCOMPARE(w.W->Analysis().LogFilePath(), w.FileText());
            if (point != YieldPoint::StartUp && w.FileText() != twoLog) fresh.Browse(twoLog);
            fresh.Browse(w.FileText());
            if (w.W->SortMode() != SortOrder::NoSort) fresh.W->cmdSort_Click(w.W->SortMode());
        }
        QCOMPARE(Shown(w), Shown(fresh));
        CheckViewMatchesTree(w);

        // The monitor: a click on the enabled box is the user's choice, and it survives the
        // passes that turn the monitor off and back on; a click on the disabled box does
        // nothing.
        const bool wantMonitor = monitoring != (command == Command::MonitorBox && boxWasEnabled);
        QCOMPARE(box->isChecked(), wantMonitor);
        QCOMPARE(w.W->MonitorClockRunning(), wantMonitor);
        QCOMPARE(w.Fakes.Opens->Targets.size(), executable ? 1 : 0);
        if (command == Command::Execute && point == YieldPoint::SortRebuild) QVERIFY(executable);
        // Nothing failed that the user was told about, beyond the sample's one report.
        for (const QString& shown : w.Fakes.Boxes->Shown)
            QCOMPARE(shown, u"info|Quillan|5 bad records were ignored"_s);
    }
};

QTEST_MAIN(tst_Reentrancy)
#include "tst_Reentrancy.moc"
