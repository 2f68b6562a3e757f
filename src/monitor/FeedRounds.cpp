#include "monitor/FeedRounds.h"

#include "monitor/DownloadInfo.h"

#include <QThread>

#include <limits>

using namespace Qt::StringLiterals;

RoundResult CollectRound(DownloadFeed& feed, const QLocale& locale) {
    RoundResult result;
    // The item number is a 16-bit count: passing its largest value ends the round.
    for (int ItemNumber = 1; ItemNumber <= std::numeric_limits<qint16>::max(); ++ItemNumber) {
        const std::optional<QString> reply = feed.Request(ItemNumber);
        if (!reply) break;
        result.LastReply = *reply;
        const std::optional<DownloadInfoRecord> record = SplitDownloadInfo(*reply, locale);
        if (!record) break;
        result.MonitorText += record->First + u": "_s + record->Third + u"\r\n"_s;
    }
    return result;
}

RoundRunner::RoundRunner(std::shared_ptr<DownloadFeed> feed, QLocale locale, FeedRounds where)
    : m_Feed(std::move(feed)), m_Locale(std::move(locale)) {
    if (where == FeedRounds::Inline) return;
    m_Thread = new QThread;
    m_Thread->setObjectName(u"GetRight feed"_s);
    m_Worker = new QObject;
    m_Worker->moveToThread(m_Thread);
    QObject::connect(m_Thread, &QThread::finished, m_Worker, &QObject::deleteLater);
    m_Thread->start();
}

RoundRunner::~RoundRunner() {
    Close();
    if (!m_Thread) return;
    // The feed is let go on its own thread (above), after any round still waiting there.
    m_Thread->quit();
    m_Thread->wait();
    delete m_Thread;
}

void RoundRunner::Start(Done done) {
    m_Busy = true;
    if (!m_Thread) {
        const RoundResult result = CollectRound(*m_Feed, m_Locale);
        m_Busy = false;
        done(result);
        return;
    }
    QMetaObject::invokeMethod(
        m_Worker,
        [this, feed = m_Feed, locale = m_Locale, done = std::move(done)] {
            const RoundResult result = CollectRound(*feed, locale);
            // Back on the runner's thread; dropped if the runner is gone by then.
            QMetaObject::invokeMethod(
                this,
                [this, result, done] {
                    m_Busy = false;
                    done(result);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void RoundRunner::Open() {
    OnFeedThread([feed = m_Feed] { feed->Open(); });
}

void RoundRunner::Close() {
    OnFeedThread([feed = m_Feed] { feed->Close(); });
}

void RoundRunner::OnFeedThread(std::function<void()> call) {
    if (m_Thread)
        QMetaObject::invokeMethod(m_Worker, std::move(call), Qt::QueuedConnection);
    else
        call();
}
