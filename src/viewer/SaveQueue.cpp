// SPDX-License-Identifier: MIT
#include "viewer/SaveQueue.h"

#include <utility>

namespace moon {

SaveQueue::~SaveQueue() {
    Wait();
}

bool SaveQueue::Start(std::function<void()> save) {
    if (m_bBusy.load()) {
        return false;
    }
    // The last thread has finished its work: joining it takes no time.
    Wait();
    m_bBusy.store(true);
    m_thread = std::thread([this, save = std::move(save)] {
        save();
        m_bBusy.store(false);
    });
    return true;
}

void SaveQueue::Wait() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

}  // namespace moon
