#pragma once

#include "monitor/FeedRounds.h"
#include "platform/DownloadFeed.h"

#include <QLocale>
#include <QString>
#include <QTimer>

#include <memory>

// The window's controls that the monitor reads and writes.
class MonitorView {
public:
    virtual ~MonitorView() = default;
    virtual bool MonitorTicked() const = 0;                // chkMonitor
    virtual QString GetrightText() const = 0;              // txtGetright
    virtual void SetGetrightText(const QString& text) = 0; // txtGetright
    virtual void SetLastReply(const QString& text) = 0;    // Text1
    virtual void ShowLogChanged() = 0;                     // lblLogChanged
};

namespace MonitorTexts {
inline const QString NotMonitoring = QStringLiteral("Not monitoring...");
inline const QString NoDownloads = QStringLiteral("No downloads...");
} // namespace MonitorTexts

inline constexpr int MonitorIntervalMs = 1000;
// How long the feed's helper is kept after monitoring stops, so that the analysis pass,
// which unticks the box and ticks it again, does not start a new one.
inline constexpr int FeedKeptMs = 5000;

// The download monitor without a window: the check box's click and the timer's tick. A
// tick checks the log at once and asks GetRight for its downloads in a round of its own:
// on a worker thread for the window, so that a stuck GetRight never holds it. A tick that
// finds the last round still waiting starts none; the box is written when a round ends.
class DownloadMonitor {
public:
    DownloadMonitor(MonitorView& view, std::shared_ptr<DownloadFeed> feed,
                    QLocale locale = QLocale::system(), FeedRounds rounds = FeedRounds::Inline);
    ~DownloadMonitor();

    // Click of chkMonitor; the timer interval it asks for, 0 for stopped.
    int Click();
    // Tick of Timer1, given the loaded log's path and the stamp noted when it was read.
    void Tick(const QString& LogFilePath, const QString& LogFileStamp);
    // The feed's helper, if any, is let go (the program ends).
    void Close();
    // Whether a round has started and not come back yet.
    bool RoundWaiting() const { return m_Rounds->Busy(); }
    // How long the feed is kept after monitoring stops (FeedKeptMs unless told).
    void KeepFeedFor(int ms) { m_CloseLater.setInterval(ms); }

private:
    void Display(const QString& MonitorText);

    MonitorView& m_View;
    std::unique_ptr<RoundRunner> m_Rounds;
    QTimer m_CloseLater;
    // Set by ticking the box: the next display writes the box even if it holds that text.
    bool m_MustWrite = false;
};
