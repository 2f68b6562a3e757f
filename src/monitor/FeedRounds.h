#pragma once

#include "platform/DownloadFeed.h"

#include <QLocale>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QThread;

// What one round of requests collected: First ": " Third CR LF per item, up to the first
// failed request or unsplittable reply, and the last reply GetRight gave.
struct RoundResult {
    QString MonitorText;
    std::optional<QString> LastReply;
};

// One round: items 1, 2, ... until the first failure. Each request may wait on GetRight.
RoundResult CollectRound(DownloadFeed& feed, const QLocale& locale);

enum class FeedRounds {
    OnWorkerThread, // the window's: GetRight can never hold its thread
    Inline,         // tools and tests: the round runs within the tick
};

// Runs rounds against the feed. On a worker thread the feed is only ever touched there,
// so a feed that waits (a pipe, a DDE conversation) waits there; the result comes back
// to the thread that started the round, through its event loop.
class RoundRunner : public QObject {
    Q_OBJECT

public:
    using Done = std::function<void(const RoundResult&)>;
    RoundRunner(std::shared_ptr<DownloadFeed> feed, QLocale locale, FeedRounds where);
    ~RoundRunner() override;

    // Whether a round has started and not yet come back.
    bool Busy() const { return m_Busy; }
    // Starts a round; done runs when it comes back (at once when inline).
    void Start(Done done);
    void Open();
    void Close();

private:
    // Runs call where the feed lives: on the worker thread, or here when inline.
    void OnFeedThread(std::function<void()> call);

    std::shared_ptr<DownloadFeed> m_Feed;
    QLocale m_Locale;
    QThread* m_Thread = nullptr;
    QObject* m_Worker = nullptr; // lives on m_Thread; the feed's calls run in its context
    bool m_Busy = false;
};
