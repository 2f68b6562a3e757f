#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

// One job whose steps must happen in order, shared by two cores: a maker on a thread of its
// own fills batches while the caller takes the ones filled before, in the order they were
// made, a few batches behind.
//
// The maker fills the batch that Filling() gives and hands it over with Publish(). Once the
// taker has stopped (its take threw), Filling() and Check() throw Stopped, which the maker
// lets through. What the maker throws otherwise reaches the caller after every batch made
// before it, the half-filled one included, so the taker sees everything made up to the
// failure. A batch has Clear(), called once it is taken, which keeps its room for reuse.
template <class Batch, int Count = 4> class Relay {
public:
    struct Stopped {};

    Relay() {
        for (Batch& batch : m_Batches)
            m_Free.push_back(&batch);
    }
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    // Runs make() on a thread of its own and take(batch) here for each batch it publishes,
    // then rethrows what make() threw. False, having run neither, when no thread can be had.
    template <class Make, class Take> bool Run(Make&& make, Take&& take) {
        std::thread maker;
        try {
            maker = std::thread([this, &make] { RunMaker(make); });
        } catch (const std::system_error&) {
            return false;
        }
        try {
            Deliver(take);
        } catch (...) {
            {
                const std::lock_guard lock(m_Mutex);
                m_Stop = true;
            }
            m_Changed.notify_all();
            maker.join();
            throw;
        }
        maker.join();
        if (m_Error) std::rethrow_exception(m_Error);
        return true;
    }

    // The maker's side.
    Batch& Filling() {
        if (!m_Filling) {
            std::unique_lock lock(m_Mutex);
            m_TakerBehind = m_Free.empty();
            m_Changed.wait(lock, [&] { return m_Stop || !m_Free.empty(); });
            if (m_Stop) throw Stopped{};
            m_Filling = m_Free.back();
            m_Free.pop_back();
        }
        return *m_Filling;
    }
    void Publish() {
        if (!m_Filling) return;
        {
            const std::lock_guard lock(m_Mutex);
            m_Full.push_back(std::exchange(m_Filling, nullptr));
        }
        m_Changed.notify_all();
    }
    // Whether the maker, when it last asked for a batch to fill, found every one full or
    // being taken: then the taker is the slower side, and work either side may do is better
    // done by the maker.
    bool TakerBehind() const { return m_TakerBehind; }
    // Whether the taker is waiting for a batch right now: then the maker is the slower side.
    bool TakerWaiting() const { return m_TakerWaiting.load(std::memory_order_relaxed); }
    void Check() const {
        if (m_Stop.load(std::memory_order_relaxed)) throw Stopped{};
    }

private:
    template <class Make> void RunMaker(Make& make) {
        std::exception_ptr error;
        try {
            make();
        } catch (const Stopped&) {
        } catch (...) {
            error = std::current_exception();
        }
        if (!m_Stop) Publish();
        {
            const std::lock_guard lock(m_Mutex);
            m_Error = error;
            m_Finished = true;
        }
        m_Changed.notify_all();
    }

    template <class Take> void Deliver(Take& take) {
        for (;;) {
            Batch* batch = nullptr;
            {
                std::unique_lock lock(m_Mutex);
                m_TakerWaiting.store(m_Full.empty(), std::memory_order_relaxed);
                m_Changed.wait(lock, [&] { return m_Finished || !m_Full.empty(); });
                m_TakerWaiting.store(false, std::memory_order_relaxed);
                if (m_Full.empty()) return;
                batch = m_Full.front();
                m_Full.pop_front();
            }
            take(*batch);
            batch->Clear();
            {
                const std::lock_guard lock(m_Mutex);
                m_Free.push_back(batch);
            }
            m_Changed.notify_all();
        }
    }

    Batch m_Batches[Count];
    Batch* m_Filling = nullptr; // the maker's own
    bool m_TakerBehind = false; // the maker's own
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::vector<Batch*> m_Free;
    std::deque<Batch*> m_Full;
    std::atomic<bool> m_Stop = false; // the taker has stopped
    std::atomic<bool> m_TakerWaiting = false;
    bool m_Finished = false;
    std::exception_ptr m_Error;
};
