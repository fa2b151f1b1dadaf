// SPDX-License-Identifier: MIT
// Saving files without holding up the frames: one save at a time runs on a
// thread of its own while the windows go on drawing. A save asked for while
// another runs is refused at once, so held keys and key storms cost the
// frames nothing and never pile up work.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace moon {

class SaveQueue {
public:
    SaveQueue() = default;
    // Waits for a save under way: its file is finished or given up whole.
    ~SaveQueue();
    SaveQueue(const SaveQueue&) = delete;
    SaveQueue& operator=(const SaveQueue&) = delete;

    // Runs save on the saving thread; false, and save dropped, while the last
    // one is still running.
    bool Start(std::function<void()> save);
    bool IsBusy() const { return m_bBusy.load(); }
    // Until the save under way is over.
    void Wait();

private:
    std::thread m_thread;
    std::atomic<bool> m_bBusy{false};
};

}  // namespace moon
