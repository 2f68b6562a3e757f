#include "shell/frmMain.h"

#include "analysis/TextRules.h"
#include "controls/HotCommand.h"
#include "controls/ucPBar.h"
#include "platform/Files.h"
#include "records/modErrorHandling.h"
#include "report/HtmlReport.h"
#include "report/StatisticsPanel.h"
#include "shell/ProgramIcon.h"
#include "shell/ShellLog.h"
#include "shell/TreeItemModel.h"
#include "shell/WindowLayout.h"
#include "shell/modRegistry.h"
#include "view/ExecuteTarget.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTimer>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {

const QString AppTitle = u"Quillan"_s;

// The monitor's box takes no input, yet a long list of downloads must still be read: the
// box stays enabled for its scroll bar and the wheel, takes no text input or focus, and
// keeps the colours it has as a disabled box.
void MakeReadOnlyButScrolling(QPlainTextEdit* box) {
    if (box->isEnabled()) return;
    QPalette palette = box->palette();
    for (const auto role : {QPalette::Base, QPalette::Text, QPalette::Window, QPalette::WindowText})
        for (const auto group : {QPalette::Active, QPalette::Inactive})
            palette.setColor(group, role, palette.color(QPalette::Disabled, role));
    box->setPalette(palette);
    box->setReadOnly(true);
    box->setTextInteractionFlags(Qt::NoTextInteraction);
    box->setFocusPolicy(Qt::NoFocus);
    box->viewport()->setCursor(Qt::ArrowCursor);
    box->setEnabled(true);
}
const QString ErrorTitle = u"Quillan Error"_s;

} // namespace

frmMain::frmMain(ShellPlatform platform, QWidget* parent)
    : QWidget(parent), m_Platform(ShellPlatform::Native(std::move(platform))) {
    m_Analysis.SetHost(this);
    BuildWindow();
    m_Monitor =
        std::make_unique<DownloadMonitor>(static_cast<MonitorView&>(*this), m_Platform.Feed,
                                          LocaleFormats::System().Locale(), m_Platform.Rounds);
    ConnectCommands();
}

frmMain::~frmMain() { m_Analysis.SetHost(nullptr); }

void frmMain::BuildWindow() {
    WindowLayout::UseClosestFonts();
    m_Elements = WindowLayout::Build(this, WindowLayout::Stored());
    // A layout that lacks an element the window works with is a build fault; the layout's
    // test finds it before a user does.
    if (const QStringList unbound = WindowLayout::Bind(m_Elements, *this); !unbound.isEmpty())
        qFatal("stored layout: %s", qPrintable(unbound.join(u"; "_s)));
    setWindowIcon(ProgramIcon());
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setAcceptDrops(true);

    m_SortButtons[size_t(SortOrder::NoSort)] = cmdNoSort;
    m_SortButtons[size_t(SortOrder::ByDate)] = cmdByDate;
    m_SortButtons[size_t(SortOrder::ByName)] = cmdByName;
    m_SortButtons[size_t(SortOrder::ByURL)] = cmdByURL;
    m_SortButtons[size_t(SortOrder::ByLocal)] = cmdByLocal;
    PBar1->raise(); // drawn over "Re-read Log" and "Exit" while it shows
    MakeReadOnlyButScrolling(txtGetright);

    m_Model = new TreeItemModel(m_Tree, this);
    tvwFiles->setModel(m_Model);
    Timer1.setInterval(0);

    // The report is offered where its numbers are, and by the usual shortcut for saving.
    m_SaveReport = new QAction(u"Save Report as HTML\u2026"_s, this);
    m_SaveReport->setShortcut(QKeySequence::Save);
    m_SaveReport->setShortcutContext(Qt::WindowShortcut);
    m_SaveReport->setEnabled(false);
    addAction(m_SaveReport);
    for (QWidget* panel : {static_cast<QWidget*>(Label4), Picture1}) {
        panel->setContextMenuPolicy(Qt::ActionsContextMenu);
        panel->addAction(m_SaveReport);
    }
}

void frmMain::ConnectCommands() {
    connect(cmdGetLog, &HotCommand::Click, this, &frmMain::cmdGetLog_Click);
    connect(cmdOpenDefault, &HotCommand::Click, this, &frmMain::cmdOpenDefault_Click);
    connect(cmdReRead, &HotCommand::Click, this, &frmMain::cmdReRead_Click);
    connect(cmdExit, &HotCommand::Click, this, &frmMain::cmdExit_Click);
    for (const SortOrder mode : SortButtonOrder)
        connect(SortButton(mode), &HotCommand::Click, this, [this, mode] { cmdSort_Click(mode); });
    connect(cmdSearch, &HotCommand::Click, this, &frmMain::cmdSearch_Click);
    connect(cmdSearchNext, &HotCommand::Click, this, &frmMain::cmdSearchNext_Click);
    connect(cmdSearchPrev, &HotCommand::Click, this, &frmMain::cmdSearchPrev_Click);
    connect(cmdCase, &HotCommand::Click, this, &frmMain::cmdCase_Click);
    connect(cmdPlay, &HotCommand::Click, this, &frmMain::cmdPlay_Click);
    connect(chkMonitor, &QCheckBox::toggled, this, &frmMain::chkMonitor_Click);
    connect(&Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
    connect(m_SaveReport, &QAction::triggered, this, &frmMain::SaveReport_Click);
    txtSearch->installEventFilter(this);

    // The user's own selection and expansion go to the plain tree, which search and
    // "Execute" read.
    connect(tvwFiles->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!m_SyncingView) m_Tree.Select(TreeItemModel::NodeOf(current));
            });
    connect(tvwFiles, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        m_Tree.SetExpanded(TreeItemModel::NodeOf(index), true);
    });
    connect(tvwFiles, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        m_Tree.SetExpanded(TreeItemModel::NodeOf(index), false);
    });
}

QWidget* frmMain::Element(const QString& name) const { return m_Elements.value(name); }

// ---- start-up and the log commands

void frmMain::Form_Load() {
    m_DefaultLogPath = GetRegString(*m_Platform.Settings, GetRightSettings::RootKey,
                                    GetRightSettings::KeyPath, GetRightSettings::ValueName, {});
    if (!TrimBlanks(m_DefaultLogPath).isEmpty()) {
        txtFileName->setText(m_DefaultLogPath);
        cmdOpenDefault->SetEnabled(true);
    } else {
        cmdOpenDefault->SetEnabled(false);
        txtFileName->setText(NoLogLoaded.toString());
    }
    m_LinesLoaded = 0;
    const quint64 generation = m_LoadGeneration;
    DoEvents();
    if (generation != m_LoadGeneration) return; // a log was opened meanwhile; keep it
    m_Analysis.ResetAnalysis();
    m_SortMode = SortOrder::NoSort;
}

void frmMain::OpenLog(const QString& path) {
    ChosenLog(QFileInfo(path).absoluteFilePath(), "OpenLog");
}

void frmMain::cmdGetLog_Click() {
    FileChooser::Request request;
    request.Filter = u"Log Files (*.log)"_s;
    request.DefaultName = u"getright.log"_s;
    request.DefaultSuffix = u"log"_s;
    const QString shown = txtFileName->text();
    if (shown != NoLogLoaded) request.StartFolder = QFileInfo(shown).absolutePath();
    const FileChooser::Result chosen = m_Platform.Files->ChooseExistingFile(this, request);
    switch (chosen.What) {
    case FileChooser::Result::Kind::Cancelled:
        return;
    case FileChooser::Result::Kind::Failed:
        txtFileName->setText(NoLogLoaded.toString());
        return;
    case FileChooser::Result::Kind::Chosen:
        ChosenLog(chosen.Path, "cmdGetLog_Click");
        return;
    }
}

void frmMain::ChosenLog(const QString& path, const char* command) {
    try {
        txtFileName->setText(path);
        PBar1->SetMin(0);
        PBar1->SetValue(1);
        PBar1->SetMax(1);
        PBar1->setVisible(true);
        PBar1->SetCaption(u"Reading"_s);
        LoadLogFile(txtFileName->text());
        PBar1->SetCaption(QString());
        AnalyzeLog();
    } catch (const std::exception& error) {
        qCWarning(lcShell).nospace().noquote()
            << command << ": opening " << path << " failed; no log shown: " << error.what();
        txtFileName->setText(NoLogLoaded.toString());
    }
}

void frmMain::cmdOpenDefault_Click() {
    if (TrimBlanks(m_DefaultLogPath).isEmpty()) return;
    txtFileName->setText(m_DefaultLogPath);
    cmdReRead_Click();
}

void frmMain::cmdReRead_Click() {
    if (txtFileName->text() == NoLogLoaded) return;
    cmdReRead->setVisible(false);
    cmdExit->setVisible(false);
    PBar1->SetValue(0);
    PBar1->setVisible(true);
    PBar1->SetCaption(u"Reading"_s);
    LoadLogFile(txtFileName->text());
    const quint64 generation = m_LoadGeneration;
    DoEvents();
    if (generation != m_LoadGeneration) return;
    PBar1->SetCaption(QString());
    AnalyzeLog();
}

void frmMain::cmdExit_Click() { close(); }

void frmMain::closeEvent(QCloseEvent* event) {
    Timer1.stop();
    m_Monitor->Close();
    QWidget::closeEvent(event);
}

void frmMain::LoadLogFile(const QString& path) {
    const quint64 generation = ++m_LoadGeneration;
    m_LinesLoaded = 0;
    // Each line goes through the pass as it is read, while the next ones are split on a
    // second thread: the lines themselves are never kept. The bar shows "Reading" all the
    // while; AnalyzeLog then shows "Analyzing" at the line where the pass ended, after the
    // load's message.
    const auto [load, pass] = m_Analysis.LoadAndRunPass(path);
    // A load started inside this one's message box brought its own outcome.
    if (generation != m_LoadGeneration) return;
    m_LinesLoaded = load.KeptLines;
    m_PassDone = pass;
}

// ---- the analysis pass

void frmMain::AnalyzeLog() {
    const qint64 lines = std::exchange(m_LinesLoaded, 0);
    if (lines == 0) {
        PBar1->setVisible(false);
        // A re-read hid these; with nothing loaded they are the way on.
        cmdReRead->setVisible(true);
        cmdExit->setVisible(true);
        // A load that found nothing inside another pass's yield: that pass stops there, so
        // the monitor box it took is given back as the pass would have given it.
        if (m_MonitorNoted) {
            chkMonitor->setEnabled(true);
            chkMonitor->setChecked(*m_MonitorNoted);
            m_MonitorNoted.reset();
        }
        return;
    }
    // A pass that starts inside another's yield keeps the value the first one noted.
    if (!m_MonitorNoted) m_MonitorNoted = chkMonitor->isChecked();
    chkMonitor->setChecked(false);
    chkMonitor->setEnabled(false);
    PBar1->setVisible(true);
    PBar1->SetCaption(u"Analyzing"_s);
    PBar1->SetMax(qint32(qMin<qint64>(lines, INT32_MAX)));
    PBar1->SetMin(1);
    repaint(); // "Analyzing" shows at once, before the pass's outcome is put in place
    m_Tree.SetVisible(false);
    tvwFiles->setVisible(false);

    const PassOutcome pass = m_PassDone;
    // Where the pass stopped: its last line, or the line it could not read.
    PBar1->SetValue(m_Analysis.CurLine());
    if (!pass.Completed) {
        PassEndedEarly();
        return;
    }
    m_Tree.SetVisible(true);
    tvwFiles->setVisible(true);
    const auto texts = m_Analysis.StatTexts();
    for (size_t i = 0; i < texts.size(); ++i)
        if (texts[i]) lblStatTxt[i]->setText(*texts[i]);

    const quint64 generation = m_LoadGeneration;
    DoEvents();
    if (generation != m_LoadGeneration) return;

    chkMonitor->setEnabled(true);
    chkMonitor->setChecked(m_MonitorNoted.value_or(false));
    m_MonitorNoted.reset();
    SetCommandsEnabled(true);
    m_SaveReport->setEnabled(true);
    try {
        PopulateTree();
    } catch (const std::exception& error) {
        // A grouped build that fails ends the pass where it stands, tree hidden.
        qCWarning(lcShell).nospace()
            << "AnalyzeLog: PopulateTree failed; the tree stays hidden: " << error.what();
        return;
    }
    PBar1->setVisible(false);
    cmdReRead->setVisible(true);
    cmdExit->setVisible(true);
}

// A pass that stops at a line it cannot read leaves its counts and records but builds no
// tree; the window is given back so that another log can be chosen or this one re-read.
void frmMain::PassEndedEarly() {
    PBar1->setVisible(false);
    cmdReRead->setVisible(true);
    cmdExit->setVisible(true);
    cmdReRead->SetEnabled(true);
    chkMonitor->setEnabled(true);
    chkMonitor->setChecked(m_MonitorNoted.value_or(false));
    m_MonitorNoted.reset();
    m_Tree.SetVisible(true);
    tvwFiles->setVisible(true);
}

void frmMain::SetCommandsEnabled(bool enabled) {
    for (HotCommand* b : {cmdCase, cmdSearch, cmdSearchNext, cmdSearchPrev, cmdPlay, cmdReRead})
        b->SetEnabled(enabled);
    txtSearch->setEnabled(enabled);
}

void frmMain::PopulateTree() { ::PopulateTree(m_Tree, m_SortMode, m_Analysis, *this); }

bool frmMain::Superseded() const { return m_YieldSuperseded; }

void frmMain::cmdSort_Click(SortOrder button) {
    try {
        SortButtonClick(button, m_SortMode, m_Tree, m_Analysis, *this);
    } catch (const std::exception& error) {
        // As after a pass: a grouped build that fails leaves the tree hidden.
        qCWarning(lcShell).nospace().noquote()
            << "cmdSort_Click(" << SortButton(button)->objectName()
            << "): PopulateTree failed; the tree stays hidden: " << error.what();
    }
}

// ---- AnalysisHost

void frmMain::ResetControls() {
    m_SaveReport->setEnabled(false);
    lblLogChanged->setVisible(false);
    PBar1->SetMin(1);
    PBar1->SetMax(2);
    PBar1->SetValue(1);
    for (size_t i = 0; i < 5; ++i)
        lblStatTxt[i]->setText(u"0"_s);
    for (HotCommand* b : {cmdCase, cmdSearch, cmdSearchNext, cmdSearchPrev})
        b->SetEnabled(false);
    for (const SortOrder mode : SortButtonOrder)
        SortButton(mode)->SetEnabled(false);
    cmdPlay->SetEnabled(false);
    cmdReRead->SetEnabled(false);
    txtSearch->setEnabled(false);
    tvwFiles->setVisible(false);
    ClearTree();
    tvwFiles->setVisible(true);
}

void frmMain::ClearTree() {
    m_Model->BeginRebuild();
    m_Tree.Clear();
    m_Model->EndRebuild();
}

void frmMain::HideLogChanged() { lblLogChanged->setVisible(false); }

void frmMain::ShowMessage(MessageIcon icon, const QString& title, const QString& text) {
    m_Platform.Messages->Show(this, icon, title, text);
}

void frmMain::Progress(qint32 value) { PBar1->SetValue(value); }

// ---- PopulateHost

void frmMain::SetTreeVisible(bool visible) { tvwFiles->setVisible(visible); }

void frmMain::DoEvents() {
    const quint64 before = m_LoadGeneration;
    m_Platform.DoEvents();
    // Set after any yield nested in this one, so it speaks of this one.
    m_YieldSuperseded = m_LoadGeneration != before;
}

void frmMain::TreeClearing() { m_Model->BeginRebuild(); }

void frmMain::TreeRebuilt() {
    m_Model->EndRebuild();
    ShowSelection();
}

void frmMain::ShowSelection() {
    m_SyncingView = true;
    auto done = qScopeGuard([this] { m_SyncingView = false; });
    const QModelIndex index = m_Model->IndexOf(m_Tree.Selected());
    tvwFiles->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    if (index.isValid()) tvwFiles->scrollTo(index);
}

void frmMain::SetProgressVisible(bool visible) { PBar1->setVisible(visible); }

void frmMain::SetProgressCaption(const QString& caption) { PBar1->SetCaption(caption); }

void frmMain::SetProgressMin(qint32 value) { PBar1->SetMin(value); }

void frmMain::SetProgressMax(qint32 value) { PBar1->SetMax(value); }

void frmMain::SetProgressValue(qint32 value) { PBar1->SetValue(value); }

void frmMain::SetSortButtonEnabled(SortOrder button, bool enabled) {
    SortButton(button)->SetEnabled(enabled);
}

// ---- search

template <class Walk> void frmMain::RunSearch(Walk walk) {
    walk(m_Tree, txtSearch->text(), m_MatchCase, m_Analysis.Formats(), m_Analysis.CurLine(),
         static_cast<SearchHost&>(*this));
}

void frmMain::cmdSearch_Click() { RunSearch(SearchFromTop); }

void frmMain::cmdSearchNext_Click() { RunSearch(SearchNext); }

void frmMain::cmdSearchPrev_Click() { RunSearch(SearchPrev); }

void frmMain::cmdCase_Click() {
    QString caption = cmdCase->Caption();
    CaseClick(caption, m_MatchCase);
    cmdCase->SetCaption(caption);
    txtSearch->setFocus(Qt::OtherFocusReason);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtSearch) {
        if (event->type() == QEvent::FocusIn) {
            txtSearch->selectAll();
            // A click that brings the focus goes on to place the caret; select again once
            // it has, so that typing still replaces the whole text.
            if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
                QTimer::singleShot(0, txtSearch, [box = txtSearch] { box->selectAll(); });
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                cmdSearch_Click();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::SetBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void frmMain::Revealed(qint32 node) {
    // The plain tree has expanded the ancestors; the view follows, outermost first.
    QList<qint32> ancestors;
    for (qint32 p = m_Tree.Parent(node); p != TreeModel::NoNode; p = m_Tree.Parent(p))
        ancestors.prepend(p);
    for (const qint32 p : ancestors)
        tvwFiles->expand(m_Model->IndexOf(p));
    ShowSelection();
}

void frmMain::Beep() { m_Platform.Beep(); }

void frmMain::FocusTree() { tvwFiles->setFocus(Qt::OtherFocusReason); }

// ---- Execute

void frmMain::cmdPlay_Click() {
    if (m_Tree.Count() == 0) return;
    const ExecuteAction action = DecideExecute(m_Tree);
    switch (action.What) {
    case ExecuteAction::Kind::Nothing:
        return;
    case ExecuteAction::Kind::Message:
        ShowMessage(MessageIcon::Critical, AppTitle, action.Message);
        return;
    case ExecuteAction::Kind::Run:
        if (!m_Platform.Open->Open({action.CommandLine, action.Target, action.TargetIsLocalFile}))
            ShowMessage(
                MessageIcon::Critical, ErrorTitle,
                u"Could not open \"%1\": no program is set to open it."_s.arg(action.Target));
        return;
    }
}

// ---- the report

void frmMain::SaveReport_Click() {
    if (!m_SaveReport->isEnabled()) return;
    const QFileInfo log(m_Analysis.LogFilePath());
    FileChooser::Request request;
    request.Filter = u"Web Pages (*.html)"_s;
    request.DefaultName = log.completeBaseName() + u"-report.html"_s;
    request.DefaultSuffix = u"html"_s;
    request.StartFolder = log.absolutePath();
    const FileChooser::Result chosen = m_Platform.Files->ChooseFileToSave(this, request);
    if (chosen.What != FileChooser::Result::Kind::Chosen) return;

    // The statistics as the panel shows them, the rest from the records in memory.
    ReportHeading heading;
    heading.LogName = log.fileName();
    heading.StatCaptions = StatCaptionTexts();
    for (QLabel* value : lblStatTxt)
        heading.StatValues << value->text();
    heading.FirstDay = lblStatTxt[5]->text();
    heading.LastDay = lblStatTxt[6]->text();
    const QByteArray page =
        HtmlReport(SummariseDownloads(m_Analysis), heading, m_Analysis.Formats());

    const QString& path = chosen.Path;
    if (QString problem; !PlatformFiles::WriteWholeFile(path, page, problem)) {
        ShowMessage(MessageIcon::Critical, ErrorTitle,
                    u"The report could not be saved as \"%1\": %2"_s.arg(path, problem));
        return;
    }
    if (!m_Platform.Open->Open({u"start \""_s + path + u'"', path, true}))
        ShowMessage(
            MessageIcon::Critical, ErrorTitle,
            u"The report is saved as \"%1\", but no program is set to open it."_s.arg(path));
}

// ---- the download monitor's seam

void frmMain::chkMonitor_Click() {
    const int interval = m_Monitor->Click();
    Timer1.setInterval(interval);
    if (interval > 0)
        Timer1.start();
    else
        Timer1.stop();
    // A tree build hides the tree and yields, so the click may come while it is hidden.
    if (!tvwFiles->isHidden()) FocusTree();
}

void frmMain::Timer1_Timer() {
    m_Monitor->Tick(m_Analysis.LogFilePath(), m_Analysis.LogFileStamp());
}

bool frmMain::MonitorTicked() const { return chkMonitor->isChecked(); }

QString frmMain::GetrightText() const { return m_GetrightShown; }

void frmMain::SetGetrightText(const QString& text) {
    m_GetrightShown = text;
    txtGetright->setPlainText(text);
}

void frmMain::SetLastReply(const QString& text) { Text1->setText(text); }

void frmMain::ShowLogChanged() { lblLogChanged->setVisible(true); }

// ---- a file dropped on the window

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile()) event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    ChosenLog(QFileInfo(urls.front().toLocalFile()).absoluteFilePath(), "dropEvent");
}
