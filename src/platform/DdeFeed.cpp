#include "platform/DdeFeed.h"

#include "platform/win32/DdeClient.h"

#include <QDeadlineTimer>

#include <mutex>
#include <string>
#include <thread>

#include <windows.h>

// What the window's thread and the DDE thread share. The DDE thread keeps its own
// reference, so an abandoned one can finish after the feed is gone.
struct DdeFeed::Worker {
    Worker()
        : Wake(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          Answered(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~Worker() {
        CloseHandle(Wake);
        CloseHandle(Answered);
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    const HANDLE Wake;     // a request is waiting, or the thread is to leave
    const HANDLE Answered; // the reply is there, or the thread has left
    std::mutex Lock;
    std::optional<std::string> Item;
    std::optional<QuillanDde::Reply> Reply;
    bool Leave = false;
    bool Finished = false;
    std::thread Thread;
};

namespace {

// The DDE thread: one client-only DDEML instance, one request at a time. Between requests
// it dispatches its messages, as a thread that owns windows must: other programs' DDE
// broadcasts are sent to those windows and wait for them.
void Serve(std::shared_ptr<DdeFeed::Worker> worker) {
    {
        QuillanDde::DdeClient client;
        for (;;) {
            const DWORD woken =
                MsgWaitForMultipleObjects(1, &worker->Wake, FALSE, INFINITE, QS_ALLINPUT);
            if (woken == WAIT_OBJECT_0 + 1) {
                MSG message;
                while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                    TranslateMessage(&message);
                    DispatchMessageW(&message);
                }
                continue;
            }
            std::optional<std::string> item;
            {
                const std::lock_guard lock(worker->Lock);
                if (worker->Leave) break;
                item.swap(worker->Item);
            }
            if (!item) continue;
            QuillanDde::Reply reply;
            if (client.Ready())
                reply = client.Request(QuillanDde::GetRightService, QuillanDde::DownloadInfoTopic,
                                       *item, QuillanDde::RequestTimeoutMs);
            else
                reply.Error = "init " + std::to_string(client.InitError());
            {
                const std::lock_guard lock(worker->Lock);
                worker->Reply = std::move(reply);
            }
            SetEvent(worker->Answered);
        }
    }
    const std::lock_guard lock(worker->Lock);
    worker->Finished = true;
    SetEvent(worker->Answered);
}

// Waits for the event, handling only the messages other threads send to this one's
// windows meanwhile: a DDE connect broadcasts to every top-level window, the window's own
// among them, and waits for each to answer.
bool WaitAnswering(HANDLE event, const QDeadlineTimer& deadline) {
    for (;;) {
        const qint64 left = deadline.remainingTime();
        const DWORD woken = MsgWaitForMultipleObjects(
            1, &event, FALSE, DWORD(std::max<qint64>(left, 0)), QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace

DdeFeed::DdeFeed() : DdeFeed(Deadlines{}) {}
DdeFeed::DdeFeed(Deadlines deadlines) : m_Deadlines(deadlines) {}

DdeFeed::~DdeFeed() { Close(); }

bool DdeFeed::Stalled() const {
    if (!m_Stalled) return false;
    const std::lock_guard lock(m_Stalled->Lock);
    return !m_Stalled->Finished;
}

void DdeFeed::Open() {
    if (m_Worker) return;
    if (Stalled()) return;
    m_Stalled.reset();
    m_Worker = std::make_shared<Worker>();
    m_Worker->Thread = std::thread(Serve, m_Worker);
}

void DdeFeed::Abandon() {
    {
        const std::lock_guard lock(m_Worker->Lock);
        m_Worker->Leave = true;
    }
    SetEvent(m_Worker->Wake);
    m_Worker->Thread.detach();
    m_Stalled = std::move(m_Worker);
}

void DdeFeed::Close() {
    if (!m_Worker) return;
    {
        const std::lock_guard lock(m_Worker->Lock);
        m_Worker->Leave = true;
    }
    SetEvent(m_Worker->Wake);
    const QDeadlineTimer deadline(m_Deadlines.CloseMs);
    for (;;) {
        {
            const std::lock_guard lock(m_Worker->Lock);
            if (m_Worker->Finished) break;
        }
        if (!WaitAnswering(m_Worker->Answered, deadline)) {
            Abandon();
            return;
        }
    }
    m_Worker->Thread.join();
    m_Worker.reset();
}

std::optional<QString> DdeFeed::Request(int ItemNumber) {
    Open();
    if (!m_Worker) return std::nullopt; // the last thread is still stuck
    const QDeadlineTimer deadline(m_Deadlines.RequestMs);
    {
        const std::lock_guard lock(m_Worker->Lock);
        m_Worker->Reply.reset();
        m_Worker->Item = std::to_string(ItemNumber);
    }
    ResetEvent(m_Worker->Answered);
    SetEvent(m_Worker->Wake);
    std::optional<QuillanDde::Reply> reply;
    for (;;) {
        {
            const std::lock_guard lock(m_Worker->Lock);
            if (m_Worker->Reply) {
                reply.swap(m_Worker->Reply);
                break;
            }
            if (m_Worker->Finished) break;
        }
        if (!WaitAnswering(m_Worker->Answered, deadline)) break;
    }
    if (!reply) {
        // A late reply would be taken for the next item's: this thread is done.
        Abandon();
        return std::nullopt;
    }
    if (!reply->Ok) return std::nullopt;
    // CF_TEXT is in the ANSI code page, which is Qt's local 8-bit encoding on Windows.
    return QString::fromLocal8Bit(reply->Text);
}
