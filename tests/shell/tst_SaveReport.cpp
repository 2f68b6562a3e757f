#include "TestSupport.h"
#include "WindowRig.h"
#include "controls/ControlsTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;
using ShellRig::Window;

namespace {

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// "Save Report as HTML…": offered on the statistics panel and by Ctrl+S once a log is
// analysed, it writes the page where the user says and opens it in the browser.
class tst_SaveReport : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(u"en_US"_s));
        QuietGrabWarnings();
    }

    void offeredOnlyForAnAnalysedLog() {
        Window w;
        QAction* save = w.W->SaveReportAction();
        QCOMPARE(save->text(), u"Save Report as HTML\u2026"_s);
        QCOMPARE(save->shortcut(), QKeySequence(QKeySequence::Save));
        // The statistics panel's title and box both offer it on their menu.
        for (const QString& panel : {u"Label4"_s, u"Picture1"_s}) {
            QWidget* widget = w.Get(panel);
            QCOMPARE(widget->contextMenuPolicy(), Qt::ActionsContextMenu);
            QVERIFY(widget->actions().contains(save));
        }
        QVERIFY(!save->isEnabled());
        QTest::keyClick(w.W.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(w.Fakes.Files->SaveCalls, 0);

        w.Browse(TestSupport::SampleLog());
        QVERIFY(save->isEnabled());
        // A load that finds no file takes it away again.
        w.Browse(dir.filePath(u"missing.log"_s));
        QVERIFY(!save->isEnabled());
    }

    void savesAndOpensThePage() {
        Window w;
        w.Browse(TestSupport::SampleLog());
        const QString path = dir.filePath(u"sample report.html"_s);
        w.Fakes.Files->NextSave = {FileChooser::Result::Kind::Chosen, path};
        QTest::keyClick(w.W.get(), Qt::Key_S, Qt::ControlModifier);

        QCOMPARE(w.Fakes.Files->SaveCalls, 1);
        QCOMPARE(w.Fakes.Files->AskedSave.DefaultName, u"getright-report.html"_s);
        QCOMPARE(w.Fakes.Files->AskedSave.DefaultSuffix, u"html"_s);
        const QByteArray page = Read(path);
        QVERIFY(page.contains("<title>Quillan report: getright.log</title>"));
        // The statistics as the panel shows them.
        const QByteArray files =
            "<span class=\"caption\">Total Files</span> <span class=\"value\">" +
            w.Stat(0).toUtf8() + "</span>";
        QVERIFY(page.contains(files));
        const QByteArray period = "From " + w.Stat(5).toUtf8() + " to " + w.Stat(6).toUtf8();
        QVERIFY(page.contains(period));
        QCOMPARE(w.Fakes.Opens->Targets.size(), 1);
        QCOMPARE(w.Fakes.Opens->Targets[0].Address, path);
        QVERIFY(w.Fakes.Opens->Targets[0].IsLocalFile);
        QCOMPARE(w.Fakes.Opens->Targets[0].CommandLine, u"start \""_s + path + u'"');
        QVERIFY(w.Fakes.Boxes->Shown.filter(u"stop|"_s).isEmpty());

        // Cancelled: nothing written, nothing opened.
        QVERIFY(QFile::remove(path));
        w.Fakes.Files->NextSave = {FileChooser::Result::Kind::Cancelled, {}};
        w.W->SaveReportAction()->trigger();
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(w.Fakes.Opens->Targets.size(), 1);

        // A place that cannot be written: said, and nothing opened.
        const QString nowhere = dir.filePath(u"no folder/report.html"_s);
        w.Fakes.Files->NextSave = {FileChooser::Result::Kind::Chosen, nowhere};
        w.W->SaveReportAction()->trigger();
        QCOMPARE(w.Fakes.Opens->Targets.size(), 1);
        QVERIFY(w.Fakes.Boxes->Shown.last().startsWith(
            u"stop|Quillan Error|The report could not be saved as \""_s + nowhere));

        // No program for web pages: the page is there, and the user is told.
        w.Fakes.Opens->Succeeds = false;
        w.Fakes.Files->NextSave = {FileChooser::Result::Kind::Chosen, path};
        w.W->SaveReportAction()->trigger();
        QVERIFY(QFileInfo::exists(path));
        QVERIFY(w.Fakes.Boxes->Shown.last().contains(u"no program is set to open it"_s));
    }
};

QTEST_MAIN(tst_SaveReport)
#include "tst_SaveReport.moc"
