#pragma once

#include "platform/DownloadFeed.h"

#include <memory>

// GetRight's feed through the Windows DDE client, run on a thread of its own so that a
// GetRight that stops answering costs the window one deadline and not more: a stalled
// conversation holds its thread for as long as DDE's own waits last (a request's timeout,
// then up to ten seconds more while the conversation is ended). A request that misses its
// deadline leaves that thread to finish alone; requests fail at once until it has, and the
// next one after that starts a fresh thread.
class DdeFeed : public DownloadFeed {
public:
    struct Deadlines {
        // What the window waits for one reply: DDE's own request timeout and some room.
        int RequestMs = 1500;
        // What closing waits for the thread to leave before leaving it to itself.
        int CloseMs = 2000;
    };
    DdeFeed();
    explicit DdeFeed(Deadlines deadlines);
    ~DdeFeed() override;
    void Open() override;
    void Close() override;
    std::optional<QString> Request(int ItemNumber) override;

    // Whether a thread abandoned after a missed deadline is still running.
    bool Stalled() const;

    struct Worker;

private:
    void Abandon();

    Deadlines m_Deadlines;
    std::shared_ptr<Worker> m_Worker;
    std::shared_ptr<Worker> m_Stalled;
};
