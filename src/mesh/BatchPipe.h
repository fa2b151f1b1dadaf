// SPDX-License-Identifier: MIT
// Runs a producer of batches on a thread of its own while the calling thread
// consumes them, in order: a walk of the terrain and the formatting of what
// it finds take about as long as each other, and there are two cores. A few
// batches wait at most, so memory stays small, and batches change hands
// without being copied: the producer gets an emptied one back for each it
// ships. Where no thread can be started (a process limit), the producer runs
// on the calling thread instead.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace moon {

template <typename T>
class BatchPipe {
public:
    using Consume = std::function<void(std::span<const T>)>;
    // Hands a batch on and leaves it empty.
    using Ship = std::function<void(std::vector<T>&)>;
    // Ships each batch, in order.
    using Produce = std::function<void(const Ship&)>;

    static void Run(const Produce& produce, const Consume& consume) {
        BatchPipe pipe;
        std::thread producer;
        try {
            producer = std::thread([&pipe, &produce] {
                produce([&pipe](std::vector<T>& batch) { pipe.Push(batch); });
                pipe.Close();
            });
        } catch (const std::system_error&) {
            produce([&consume](std::vector<T>& batch) {
                consume(batch);
                batch.clear();
            });
            return;
        }
        std::vector<T> batch;
        while (pipe.Pop(batch)) {
            consume(batch);
            pipe.GiveBack(batch);
        }
        producer.join();
    }

private:
    static constexpr std::size_t kWaiting = 4;

    void Push(std::vector<T>& batch) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_batches.size() < kWaiting; });
        m_batches.push_back(std::move(batch));
        batch.clear();
        if (!m_spare.empty()) {
            batch = std::move(m_spare.back());
            m_spare.pop_back();
        }
        m_changed.notify_all();
    }

    void Close() {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
        m_changed.notify_all();
    }

    // False once the producer is done and every batch taken.
    bool Pop(std::vector<T>& batch) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_batches.empty() || m_closed; });
        if (m_batches.empty()) {
            return false;
        }
        batch = std::move(m_batches.front());
        m_batches.pop_front();
        m_changed.notify_all();
        return true;
    }

    // A consumed batch's storage, for the producer to fill again.
    void GiveBack(std::vector<T>& batch) {
        batch.clear();
        const std::lock_guard lock(m_mutex);
        m_spare.push_back(std::move(batch));
        batch = std::vector<T>();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<T>> m_batches;
    std::vector<std::vector<T>> m_spare;
    bool m_closed = false;
};

}  // namespace moon
