#pragma once

#include "analysis/LogAnalysis.h"
#include "monitor/DownloadMonitor.h"
#include "shell/ShellPlatform.h"
#include "shell/frmMainControls.h"
#include "view/TreeBuilds.h"
#include "view/TreeModel.h"
#include "view/TreeSearch.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class TreeItemModel;

// The sentinel of the file strip: no log has been chosen.
inline constexpr QStringView NoLogLoaded = u"No log loaded...";

// Quillan's one window. It owns the analysed log, the results tree and the sort and case
// state, and drives them from its commands in the order the user sees them happen. It
// yields to the message loop only at start-up, between loading and analysing in a
// re-read, after the analysis loop and at the start of a tree rebuild; a command that
// arrives during one of those yields runs at once, and a load it starts supersedes the
// one that yielded.
class frmMain : public QWidget,
                private frmMainControls,
                private AnalysisHost,
                private PopulateHost,
                private SearchHost,
                private MonitorView {
    Q_OBJECT

public:
    explicit frmMain(ShellPlatform platform = ShellPlatform::Native(), QWidget* parent = nullptr);
    ~frmMain() override;

    void Form_Load();
    // A log named on the command line or dropped on the window: loaded as the browse
    // button loads the file it is given.
    void OpenLog(const QString& path);

    void cmdGetLog_Click();
    void cmdOpenDefault_Click();
    void cmdReRead_Click();
    void cmdExit_Click();
    void cmdSort_Click(SortOrder button);
    void cmdSearch_Click();
    void cmdSearchNext_Click();
    void cmdSearchPrev_Click();
    void cmdCase_Click();
    void cmdPlay_Click();
    // The download monitor's check box and clock.
    void chkMonitor_Click();
    void Timer1_Timer();
    // "Save Report as HTML…" from the statistics panel's menu or Ctrl+S: the report of the
    // analysed log as a web page, opened in the desktop's browser.
    void SaveReport_Click();
    QAction* SaveReportAction() const { return m_SaveReport; }

    void AnalyzeLog();
    void PopulateTree();

    // The state the commands work on, for the window's tests and tools.
    LogAnalysis& Analysis() { return m_Analysis; }
    const TreeModel& Tree() const { return m_Tree; }
    SortOrder SortMode() const { return m_SortMode; }
    bool MatchCase() const { return m_MatchCase; }
    const QString& DefaultLogPath() const { return m_DefaultLogPath; }
    QWidget* Element(const QString& name) const;
    const frmMainControls& Controls() const { return *this; }
    HotCommand* SortButton(SortOrder mode) const { return m_SortButtons[size_t(mode)]; }
    QTreeView* TreeView() const { return tvwFiles; }
    bool MonitorClockRunning() const { return Timer1.isActive(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // AnalysisHost
    void ResetControls() override;
    void HideLogChanged() override;
    void ShowMessage(MessageIcon icon, const QString& title, const QString& text) override;
    void Progress(qint32 value) override;
    // PopulateHost
    void SetTreeVisible(bool visible) override;
    void DoEvents() override;
    bool Superseded() const override;
    void TreeClearing() override;
    void TreeRebuilt() override;
    void SetProgressVisible(bool visible) override;
    void SetProgressCaption(const QString& caption) override;
    void SetProgressMin(qint32 value) override;
    void SetProgressMax(qint32 value) override;
    void SetProgressValue(qint32 value) override;
    void SetSortButtonEnabled(SortOrder button, bool enabled) override;
    // SearchHost
    void SetBusy(bool busy) override;
    void Revealed(qint32 node) override;
    void Beep() override;
    void FocusTree() override;
    // MonitorView
    bool MonitorTicked() const override;
    QString GetrightText() const override;
    void SetGetrightText(const QString& text) override;
    void SetLastReply(const QString& text) override;
    void ShowLogChanged() override;

    void BuildWindow();
    void ConnectCommands();
    void LoadLogFile(const QString& path);
    // The log the user chose through `command`, read and analysed.
    void ChosenLog(const QString& path, const char* command);
    void PassEndedEarly();
    void ClearTree();
    void ShowSelection();
    void SetCommandsEnabled(bool enabled);
    template <class Walk> void RunSearch(Walk walk);

    ShellPlatform m_Platform;
    LogAnalysis m_Analysis;
    TreeModel m_Tree;
    TreeItemModel* m_Model = nullptr;
    SortOrder m_SortMode = SortOrder::NoSort;
    bool m_MatchCase = false;
    QString m_DefaultLogPath;
    // Counts loads; a command that yielded and finds it changed was superseded.
    quint64 m_LoadGeneration = 0;
    // The last load's lines and what the pass made of them, until AnalyzeLog shows it: the
    // pass runs as the file is read.
    qint64 m_LinesLoaded = 0;
    PassOutcome m_PassDone;
    // Whether a load started during the last pass of the message loop.
    bool m_YieldSuperseded = false;
    // The monitor box's value as the analysis pass found it, until a pass gives it back.
    std::optional<bool> m_MonitorNoted;
    bool m_SyncingView = false;
    std::unique_ptr<DownloadMonitor> m_Monitor;
    // What the monitor last wrote to txtGetright: the box keeps its own line ends.
    QString m_GetrightShown;

    // Every element of the layout by name; the ones the window works with are also its
    // typed members, from frmMainControls.
    QHash<QString, QWidget*> m_Elements;
    std::array<HotCommand*, 5> m_SortButtons{}; // by SortOrder
    QTimer Timer1;
    QAction* m_SaveReport = nullptr;
};
