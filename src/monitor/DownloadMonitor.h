#pragma once

#include "platform/DownloadFeed.h"

#include <QLocale>
#include <QString>

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

// The download monitor without a window: the check box's click and the timer's tick.
class DownloadMonitor {
public:
    DownloadMonitor(MonitorView& view, std::shared_ptr<DownloadFeed> feed,
                    QLocale locale = QLocale::system());
    ~DownloadMonitor();

    // Click of chkMonitor; the timer interval it asks for, 0 for stopped.
    int Click();
    // Tick of Timer1, given the loaded log's path and the stamp noted when it was read.
    void Tick(const QString& LogFilePath, const QString& LogFileStamp);
    // The feed's helper, if any, is let go (the program ends).
    void Close();

    // The lines one round of requests collects: First ": " Third CR LF per item, up to the
    // first failed request or unsplittable reply.
    static QString CollectDownloads(DownloadFeed& feed, MonitorView& view, const QLocale& locale);

private:
    void Display(const QString& MonitorText);

    MonitorView& m_View;
    std::shared_ptr<DownloadFeed> m_Feed;
    QLocale m_Locale;
};
