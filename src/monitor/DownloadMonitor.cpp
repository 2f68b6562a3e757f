#include "monitor/DownloadMonitor.h"

#include "analysis/LogAnalysis.h"
#include "analysis/TextRules.h"

using namespace Qt::StringLiterals;

DownloadMonitor::DownloadMonitor(MonitorView& view, std::shared_ptr<DownloadFeed> feed,
                                 QLocale locale, FeedRounds rounds)
    : m_View(view),
      m_Rounds(std::make_unique<RoundRunner>(
          feed ? std::move(feed) : std::make_shared<NoDownloadFeed>(), std::move(locale), rounds)) {
    m_CloseLater.setSingleShot(true);
    m_CloseLater.setInterval(FeedKeptMs);
    QObject::connect(&m_CloseLater, &QTimer::timeout, m_Rounds.get(),
                     [this] { m_Rounds->Close(); });
}

DownloadMonitor::~DownloadMonitor() = default;

int DownloadMonitor::Click() {
    if (m_View.MonitorTicked()) {
        m_CloseLater.stop();
        m_Rounds->Open();
        m_MustWrite = true;
        return MonitorIntervalMs;
    }
    m_View.SetGetrightText(MonitorTexts::NotMonitoring);
    m_CloseLater.start();
    return 0;
}

void DownloadMonitor::Close() {
    m_CloseLater.stop();
    m_Rounds->Close();
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
    if (m_Rounds->Busy()) return;
    m_Rounds->Start([this](const RoundResult& round) {
        // A round that comes back after monitoring stopped has nothing to show.
        if (!m_View.MonitorTicked()) return;
        if (round.LastReply) m_View.SetLastReply(*round.LastReply);
        Display(round.MonitorText);
    });
}

void DownloadMonitor::Display(const QString& MonitorText) {
    // An unchanged list is not written again, so the box neither flickers nor scrolls; the
    // first display after ticking always writes, so a fresh box never stays blank.
    if (!m_MustWrite && m_View.GetrightText() == MonitorText) return;
    m_MustWrite = false;
    m_View.SetGetrightText(TrimBlanks(MonitorText).isEmpty() ? MonitorTexts::NoDownloads
                                                             : MonitorText);
}
