#include "monitor/DownloadMonitor.h"

#include "analysis/LogAnalysis.h"
#include "analysis/TextRules.h"
#include "monitor/DownloadInfo.h"

#include <limits>

using namespace Qt::StringLiterals;

DownloadMonitor::DownloadMonitor(MonitorView& view, std::shared_ptr<DownloadFeed> feed,
                                 QLocale locale)
    : m_View(view), m_Feed(feed ? std::move(feed) : std::make_shared<NoDownloadFeed>()),
      m_Locale(std::move(locale)) {}

DownloadMonitor::~DownloadMonitor() { m_Feed->Close(); }

int DownloadMonitor::Click() {
    if (m_View.MonitorTicked()) {
        m_Feed->Open();
        return MonitorIntervalMs;
    }
    m_View.SetGetrightText(MonitorTexts::NotMonitoring);
    m_Feed->Close();
    return 0;
}

void DownloadMonitor::Close() { m_Feed->Close(); }

QString DownloadMonitor::CollectDownloads(DownloadFeed& feed, MonitorView& view,
                                          const QLocale& locale) {
    QString MonitorText;
    // The item number is a 16-bit count: passing its largest value ends the round.
    for (int ItemNumber = 1; ItemNumber <= std::numeric_limits<qint16>::max(); ++ItemNumber) {
        const std::optional<QString> reply = feed.Request(ItemNumber);
        if (!reply) break;
        view.SetLastReply(*reply);
        const std::optional<DownloadInfoRecord> record = SplitDownloadInfo(*reply, locale);
        if (!record) break;
        MonitorText += record->First + u": "_s + record->Third + u"\r\n"_s;
    }
    return MonitorText;
}

void DownloadMonitor::Tick(const QString& LogFilePath, const QString& LogFileStamp) {
    // An unreadable stamp (no log, or the file gone) ends the tick with nothing collected.
    const QString stamp = LogAnalysis::FileStamp(LogFilePath);
    if (stamp.isEmpty()) {
        Display({});
        return;
    }
    if (stamp != LogFileStamp) m_View.ShowLogChanged();
    if (!m_View.MonitorTicked()) {
        m_View.SetGetrightText(MonitorTexts::NotMonitoring);
        return;
    }
    Display(CollectDownloads(*m_Feed, m_View, m_Locale));
}

void DownloadMonitor::Display(const QString& MonitorText) {
    // An unchanged list is not written again, so the box neither flickers nor scrolls.
    if (m_View.GetrightText() == MonitorText) return;
    m_View.SetGetrightText(TrimBlanks(MonitorText).isEmpty() ? MonitorTexts::NoDownloads
                                                             : MonitorText);
}
