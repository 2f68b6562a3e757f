#include "shell/frmMain.h"

#include "TestSupport.h"
#include "WindowRig.h"
#include "controls/ControlsTestSupport.h"
#include "controls/HotCommand.h"
#include "controls/ucPBar.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeView>

#include <functional>
#include <stdexcept>

using namespace Qt::StringLiterals;
using ShellRig::AllLoaded;
using ShellRig::Window;
using ShellRig::WriteLog;

namespace {

// The warnings the window logged in its own category while `body` ran.
QStringList ShellWarnings(const std::function<void()>& body) {
    static QStringList* sink = nullptr;
    static QtMessageHandler previous = nullptr;
    QStringList logged;
    sink = &logged;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (type == QtWarningMsg && qstrcmp(context.category, "quillan.shell") == 0)
                *sink << message;
            else
                previous(type, context, message);
        });
    body();
    qInstallMessageHandler(previous);
    return logged;
}

} // namespace

class tst_frmMain : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(u"en_US"_s));
        QuietGrabWarnings();
    }

    void startsWithTheDesignLook() {
        Window w;
        QCOMPARE(w.W->windowTitle(), u"Quillan v1.0b for GetRight 3.x & 4.x"_s);
        QCOMPARE(w.W->size(), QSize(594, 393));
        QCOMPARE(w.W->minimumSize(), w.W->maximumSize());
        QVERIFY(!w.W->windowIcon().isNull());
        QVERIFY(!w.Bar()->isVisible());
        QVERIFY(!w.Get(u"lblLogChanged"_s)->isVisible());
        QVERIFY(!w.Get(u"Text1"_s)->isVisible());
        QVERIFY(!w.Get<QCheckBox>(u"chkMonitor"_s)->isChecked());
        QVERIFY(w.Get<QCheckBox>(u"chkMonitor"_s)->isEnabled());
        QVERIFY(w.Get<QPlainTextEdit>(u"txtGetright"_s)->toPlainText().isEmpty());
        QCOMPARE(w.Bar()->Caption(), u"0 of 100"_s);
        QCOMPARE(w.Bar()->DisplayStyle(), 5);
        QCOMPARE(w.Bar()->geometry(), QRect(392, 363, 176, 21));
        QCOMPARE(w.Button(u"cmdOpenDefault"_s)->ToolTipText(), u"Open Default Log"_s);
        QVERIFY(w.Button(u"cmdOpenDefault"_s)->Font().bold());
        QCOMPARE(w.Button(u"cmdExit"_s)->BackColorHi(), RgbColor(0x80, 0, 0));
        QCOMPARE(w.Button(u"cmdExit"_s)->ForeColorDown(), RgbColor(0xFF, 0xFF, 0xFF));
        QCOMPARE(w.Button(u"cmdCase"_s)->Caption(), u"ABC"_s);
        QCOMPARE(w.Get<QLineEdit>(u"txtSearch"_s)->text(), u"Enter search string..."_s);
        // Captions pair with values by row, not by index.
        const QStringList captions = {
            u"Total Files"_s,     u"Total Resumes"_s, u"Total Restarts"_s, u"Total Completed"_s,
            u"Bytes Recovered"_s, u"Log Started"_s,   u"Log Finished"_s};
        const int captionOf[] = {0, 5, 4, 3, 2, 1, 6};
        for (int row = 0; row < 7; ++row) {
            auto* caption = w.Get<QLabel>(u"Label3(%1)"_s.arg(captionOf[row]));
            auto* value = w.Get<QLabel>(u"lblStatTxt(%1)"_s.arg(row));
            QCOMPARE(caption->text(), captions[row]);
            QVERIFY(qAbs(caption->geometry().center().y() - value->geometry().center().y()) <= 2);
            QCOMPARE(value->text(), u"0"_s);
        }
        // No default log: the sentinel, "D" off, nothing that needs a log enabled.
        QCOMPARE(w.FileText(), u"No log loaded..."_s);
        QVERIFY(!w.Button(u"cmdOpenDefault"_s)->Enabled());
        QVERIFY(w.Button(u"cmdGetLog"_s)->Enabled());
        QCOMPARE(w.EnabledCommands(), QString());
        QCOMPARE(w.Fakes.Yields, 1);
        QCOMPARE(w.W->Tree().Count(), 0);
        QCOMPARE(w.W->SortMode(), SortOrder::NoSort);
    }

    void defaultLogFromTheSettings() {
        // Spaces only count as no default.
        Window spaces(u"   "_s);
        QCOMPARE(spaces.FileText(), u"No log loaded..."_s);
        QVERIFY(!spaces.Button(u"cmdOpenDefault"_s)->Enabled());
        spaces.Click(u"cmdOpenDefault"_s);
        QCOMPARE(spaces.W->Analysis().Entries().Count(), 0);
        // Only spaces: a tab or a line end is a (strange) path, shown and offered as it is.
        Window tab(u"\t\r\n"_s);
        QCOMPARE(tab.FileText(), u"\t\r\n"_s);
        QVERIFY(tab.Button(u"cmdOpenDefault"_s)->Enabled());

        Window w(TestSupport::SampleLog());
        QCOMPARE(w.FileText(), TestSupport::SampleLog());
        QVERIFY(w.Button(u"cmdOpenDefault"_s)->Enabled());
        QVERIFY(!w.Button(u"cmdReRead"_s)->Enabled());
        QCOMPARE(w.W->Analysis().Entries().Count(), 0); // start-up loads nothing
        // "D" loads the default, also after the user browsed elsewhere.
        QTemporaryDir dir;
        const QString other =
            WriteLog(dir, u"other.log"_s, {"12/31/01 09:35:14 - File: C:\\a.zip=http://h/a.zip"});
        w.Browse(other);
        QCOMPARE(w.W->Analysis().Entries().Count(), 1);
        w.Click(u"cmdOpenDefault"_s);
        QCOMPARE(w.FileText(), TestSupport::SampleLog());
        QCOMPARE(w.W->Analysis().LogFilePath(), TestSupport::SampleLog());
        QCOMPARE(w.Stat(0), u"30"_s);
    }

    void theRoadOfOneLog() {
        Window w;
        w.Browse(TestSupport::SampleLog());
        QCOMPARE(w.Fakes.Files->Asked.Filter, u"Log Files (*.log)"_s);
        QCOMPARE(w.Fakes.Files->Asked.DefaultName, u"getright.log"_s);
        QCOMPARE(w.FileText(), TestSupport::SampleLog());
        QCOMPARE(w.Fakes.Boxes->Shown, QStringList{u"info|Quillan|5 bad records were ignored"_s});
        const auto texts = w.W->Analysis().StatTexts();
        for (int i = 0; i < 7; ++i)
            QCOMPARE(w.Stat(i), texts[size_t(i)].value());
        QCOMPARE(w.Stat(4), u"176,272 Kb"_s);
        QVERIFY(!w.Bar()->isVisible());
        QVERIFY(w.Button(u"cmdReRead"_s)->isVisible() && w.Button(u"cmdExit"_s)->isVisible());
        QVERIFY(w.W->TreeView()->isVisible());
        QCOMPARE(w.EnabledCommands(), u"cmdByDate cmdByName cmdByURL cmdByLocal "_s + AllLoaded);
        // Node 1 is selected on screen as in the plain tree.
        QCOMPARE(w.W->Tree().Selected(), 1);
        QCOMPARE(w.W->TreeView()->currentIndex().internalId(), quintptr(1));
        // The lines were given back after the pass: every build reads the records alone.
        QCOMPARE(w.W->Analysis().LogLines().UpperBound(), 0);

        // Each order: a rebuild from memory, its own button the one disabled.
        for (const auto& [name, mode] : {std::pair{u"cmdByDate"_s, SortOrder::ByDate},
                                         {u"cmdByName"_s, SortOrder::ByName},
                                         {u"cmdByURL"_s, SortOrder::ByURL},
                                         {u"cmdByLocal"_s, SortOrder::ByLocal},
                                         {u"cmdNoSort"_s, SortOrder::NoSort}}) {
            const int yields = w.Fakes.Yields;
            w.Click(name);
            QCOMPARE(w.W->SortMode(), mode);
            QCOMPARE(w.Fakes.Yields, yields + 1); // the rebuild's one yield
            QVERIFY(!w.Button(name)->Enabled());
            int enabled = 0;
            for (const SortOrder m : SortButtonOrder)
                enabled += w.W->SortButton(m)->Enabled();
            QCOMPARE(enabled, 4);
            QCOMPARE(w.W->Tree().Selected(), 1);
        }
        QCOMPARE(w.Fakes.Boxes->Shown.size(), 1); // nothing was read again

        // Search: the prompt does nothing; a word found only in a detail line shows it.
        w.Click(u"cmdSearch"_s);
        QCOMPARE(w.Fakes.Beeps, 0);
        auto* search = w.Get<QLineEdit>(u"txtSearch"_s);
        search->setText(u"FTP.EXAMPLE.NET"_s);
        QTest::keyClick(search, Qt::Key_Return);
        QCOMPARE(w.Fakes.Beeps, 1);
        const qint32 found = w.W->Tree().Selected();
        QVERIFY(w.W->Tree().Text(found).toString().startsWith(u"URL: ftp://ftp.example.net"));
        const QModelIndex shown = w.W->TreeView()->currentIndex();
        QCOMPARE(shown.internalId(), quintptr(found));
        QVERIFY(w.W->TreeView()->isExpanded(shown.parent()));
        QVERIFY(w.W->TreeView()->hasFocus());
        // Case respected: the capitals no longer match, the selection stays.
        w.Click(u"cmdCase"_s);
        QCOMPARE(w.Button(u"cmdCase"_s)->Caption(), u"aBc"_s);
        QVERIFY(w.W->MatchCase());
        QVERIFY(search->hasFocus());
        QCOMPARE(search->selectedText(), search->text());
        w.Click(u"cmdSearchNext"_s);
        QCOMPARE(w.Fakes.Beeps, 2);
        QCOMPARE(w.W->Tree().Selected(), found);
        // Clicking into the box also leaves its whole text selected, ready to be typed over.
        w.W->TreeView()->setFocus(Qt::OtherFocusReason);
        QTest::mouseClick(search, Qt::LeftButton, {}, QPoint(5, search->height() / 2));
        QTRY_COMPARE(search->selectedText(), search->text());
        w.Click(u"cmdCase"_s);
        QCOMPARE(w.Button(u"cmdCase"_s)->Caption(), u"ABC"_s);
        QVERIFY(!w.W->MatchCase());
        w.Click(u"cmdSearchNext"_s);
        QVERIFY(w.W->Tree().Selected() > found);
        w.Click(u"cmdSearchPrev"_s);
        QCOMPARE(w.W->Tree().Selected(), found);

        // Execute of a URL line: the "start " line and the address for the opener.
        w.Click(u"cmdPlay"_s);
        QCOMPARE(w.Fakes.Opens->Targets.size(), 1);
        const QString url = w.W->Tree().Text(found).toString().mid(5);
        QCOMPARE(w.Fakes.Opens->Targets[0].CommandLine, u"start "_s + url);
        QCOMPARE(w.Fakes.Opens->Targets[0].Address, url);
        QVERIFY(!w.Fakes.Opens->Targets[0].IsLocalFile);
        // An opener that fails is reported, and nothing else changes.
        w.Fakes.Opens->Succeeds = false;
        w.Click(u"cmdPlay"_s);
        QCOMPARE(w.Fakes.Boxes->Shown.size(), 2);
        QVERIFY(w.Fakes.Boxes->Shown.last().startsWith(u"stop|Quillan Error|"));
        QCOMPARE(w.W->Tree().Selected(), found);
    }

    void executeOfALocalPath() {
        QTemporaryDir dir;
        const QString file = TestSupport::WriteFile(dir, u"a.zip"_s, "zip");
        const QString log = TestSupport::WriteFile(
            dir, u"local.log"_s,
            "12/31/01 09:35:14 - File: " + file.toLocal8Bit() + "=http://h/a.zip\r\n");
        Window w;
        w.Browse(log);
        auto* search = w.Get<QLineEdit>(u"txtSearch"_s);
        search->setText(u"Local Path"_s);
        w.Click(u"cmdSearch"_s);
        w.Click(u"cmdPlay"_s);
        QCOMPARE(w.Fakes.Opens->Targets.size(), 1);
        QCOMPARE(w.Fakes.Opens->Targets[0].CommandLine, u"start \""_s + file + u'"');
        QVERIFY(w.Fakes.Opens->Targets[0].IsLocalFile);
        QFile::remove(file);
        w.Click(u"cmdPlay"_s);
        QCOMPARE(w.Fakes.Opens->Targets.size(), 1);
        QCOMPARE(w.Fakes.Boxes->Shown.last(), u"stop|Quillan|File has been moved or deleted."_s);
    }

    void reReadShowsTheBarInPlaceOfItsButtons() {
        Window w;
        w.Browse(TestSupport::SampleLog());
        const int yields = w.Fakes.Yields;
        QList<bool> seen;
        w.Fakes.DuringYield = [&](int n) {
            if (n != yields + 1) return; // between loading and analysing
            seen = {w.Bar()->isVisible(), w.Button(u"cmdReRead"_s)->isVisible(),
                    w.Button(u"cmdExit"_s)->isVisible()};
            QCOMPARE(w.Bar()->Caption(), u"Reading"_s);
            QCOMPARE(w.W->TreeView()->isVisible(), true); // emptied, not hidden, while reading
            QCOMPARE(w.EnabledCommands(), QString());
        };
        w.Click(u"cmdReRead"_s);
        QCOMPARE(seen, (QList<bool>{true, false, false}));
        QCOMPARE(w.Fakes.Yields, yields + 3); // after loading, after the pass, in the rebuild
        QVERIFY(!w.Bar()->isVisible());
        QVERIFY(w.Button(u"cmdReRead"_s)->isVisible() && w.Button(u"cmdExit"_s)->isVisible());
        QCOMPARE(w.W->Analysis().TotalFiles(), 30);
    }

    void dialogCancelledOrFailing() {
        Window w;
        w.Browse(TestSupport::SampleLog());
        const qint32 count = w.W->Analysis().Entries().Count();
        w.Fakes.Files->Next = {FileChooser::Result::Kind::Cancelled, {}};
        w.Click(u"cmdGetLog"_s);
        QCOMPARE(w.FileText(), TestSupport::SampleLog());
        QCOMPARE(w.W->Analysis().Entries().Count(), count);
        QCOMPARE(w.W->Tree().Count() > 0, true);
        w.Fakes.Files->Next = {FileChooser::Result::Kind::Failed, {}};
        w.Click(u"cmdGetLog"_s);
        QCOMPARE(w.FileText(), u"No log loaded..."_s);
        // The sentinel makes "Re-read Log" a no-op.
        const int yields = w.Fakes.Yields;
        w.Click(u"cmdReRead"_s);
        QCOMPARE(w.Fakes.Yields, yields);
    }

    void missingAndBadLogs() {
        QTemporaryDir dir;
        Window w;
        // The command-line road: a missing file gives the loader's own message.
        w.W->OpenLog(dir.filePath(u"nowhere.log"_s));
        QCOMPARE(
            w.Fakes.Boxes->Shown,
            QStringList{u"stop|Quillan Error|Error loading file. Please check the file path"_s});
        QVERIFY(!w.Bar()->isVisible());
        QCOMPARE(w.EnabledCommands(), QString());

        // Only bad lines: nothing kept, no message, the window given back.
        w.Fakes.Boxes->Shown.clear();
        w.Browse(WriteLog(dir, u"bad.log"_s, {"no date here", "", "still none"}));
        QVERIFY(w.Fakes.Boxes->Shown.isEmpty());
        QVERIFY(!w.Bar()->isVisible());
        QVERIFY(w.Button(u"cmdExit"_s)->isVisible());

        // A kept line too short to hold a message ends the pass early.
        w.Click(u"cmdReRead"_s);
        w.Browse(WriteLog(dir, u"short.log"_s,
                          {"12/31/01 09:35:14 - File: C:\\a.zip=http://h/a.zip", "12/31/01 09:3"}));
        QCOMPARE(w.W->Analysis().TotalFiles(), 1);
        QVERIFY(!w.Bar()->isVisible());
        QVERIFY(w.Button(u"cmdReRead"_s)->isVisible() && w.Button(u"cmdReRead"_s)->Enabled());
        QVERIFY(w.Get<QCheckBox>(u"chkMonitor"_s)->isEnabled());
        QVERIFY(w.W->TreeView()->isVisible());
    }

    // Every other command during every yield is tst_Reentrancy's; here, the one that ends
    // the window.
    void exitDuringAYield() {
        QTemporaryDir dir;
        const QString second =
            WriteLog(dir, u"second.log"_s, {"12/31/01 09:35:14 - File: C:\\a.zip=http://h/a.zip"});
        // During the yield after the pass it closes the window; the pass still ends.
        Window w;
        w.Browse(second);
        w.Fakes.DuringYield = [&](int) {
            if (w.W->isVisible()) w.Click(u"cmdExit"_s);
        };
        w.Browse(TestSupport::SampleLog());
        QVERIFY(!w.W->isVisible());
        QCOMPARE(w.W->Analysis().TotalFiles(), 30);
    }

    // No log makes these steps fail as the code stands; the failure comes through the
    // platform's yield, as from a command that fails inside it. The window carries on as
    // before and says in its log what failed, where.
    void failuresItCarriesOnFromAreLogged() {
        Window w;
        const auto failAtYield = [&w](int which) {
            w.Fakes.DuringYield = [at = w.Fakes.Yields + which](int n) {
                if (n == at) throw std::runtime_error("injected failure");
            };
        };
        const QString sample = TestSupport::SampleLog();
        // The yield after the pass: the chosen log is given up.
        failAtYield(1);
        QCOMPARE(ShellWarnings([&] { w.Browse(sample); }),
                 QStringList{u"cmdGetLog_Click: opening "_s + sample +
                             u" failed; no log shown: injected failure"_s});
        QCOMPARE(w.FileText(), u"No log loaded..."_s);
        // The rebuild's own yield: the pass stands, the tree stays hidden.
        failAtYield(2);
        QCOMPARE(ShellWarnings([&] { w.W->OpenLog(sample); }),
                 QStringList{u"AnalyzeLog: PopulateTree failed; the tree stays hidden: "
                             u"injected failure"_s});
        QCOMPARE(w.FileText(), sample);
        QCOMPARE(w.W->Analysis().TotalFiles(), 30);
        QVERIFY(w.W->TreeView()->isHidden());
        // A sort button's rebuild: the order is taken, the tree stays hidden.
        w.Fakes.DuringYield = nullptr;
        QVERIFY(ShellWarnings([&] { w.Browse(sample); }).isEmpty());
        QVERIFY(w.W->TreeView()->isVisible());
        failAtYield(1);
        QCOMPARE(ShellWarnings([&] { w.Click(u"cmdByURL"_s); }),
                 QStringList{u"cmdSort_Click(cmdByURL): PopulateTree failed; the tree stays "
                             u"hidden: injected failure"_s});
        QCOMPARE(w.W->SortMode(), SortOrder::ByURL);
        QVERIFY(w.W->TreeView()->isHidden());
    }

    void droppedFileLoads() {
        Window w;
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(TestSupport::SampleLog())});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(w.W.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.W.get(), &drop);
        QCOMPARE(w.FileText(), TestSupport::SampleLog());
        QCOMPARE(w.W->Analysis().TotalFiles(), 30);
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmMain.moc"
