// SPDX-License-Identifier: MIT
// Dispatches every queued window message, as the framework's loop would,
// without its idle pass: for tests and benchmarks that drive windows by hand.
#pragma once

#include "framework/platform/Platform.h"

namespace moon::test {

inline void PumpMessages(platform::Platform& platform) {
    platform::Msg msg;
    while (platform.PeekMessage(msg)) {
        platform.TranslateMessage(msg);
        platform.DispatchMessage(msg);
    }
}

}  // namespace moon::test
