// SPDX-License-Identifier: MIT
// Work split into contiguous ranges of rows, one range a thread. The caller's
// function must give the same result whichever thread runs a row, and rows
// must not write what other rows read: then the result is the same for any
// number of threads.
#pragma once

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace moon {

class ParallelRows {
public:
    // The threads Run uses when asked for 0: one a processor.
    static unsigned DefaultThreads() { return std::max(1u, std::thread::hardware_concurrency()); }

    // Calls rows(begin, end) over [0, count), split into at most threads
    // ranges (0: DefaultThreads()); returns when every range is done.
    template <typename Rows>
    static void Run(int count, unsigned threads, const Rows& rows) {
        if (threads == 0) {
            threads = DefaultThreads();
        }
        // A range of fewer rows is not worth a thread.
        constexpr int kMinRows = 16;
        const int ranges = std::clamp(count / kMinRows, 1, static_cast<int>(threads));
        if (ranges == 1) {
            rows(0, count);
            return;
        }
        std::vector<std::thread> workers;
        workers.reserve(static_cast<std::size_t>(ranges - 1));
        for (int i = 1; i < ranges; ++i) {
            const int begin = static_cast<int>(static_cast<long long>(count) * i / ranges);
            const int end = static_cast<int>(static_cast<long long>(count) * (i + 1) / ranges);
            try {
                workers.emplace_back([&rows, begin, end] { rows(begin, end); });
            } catch (const std::system_error&) {
                // No thread to be had: this one does the range.
                rows(begin, end);
            }
        }
        rows(0, static_cast<int>(static_cast<long long>(count) / ranges));
        for (std::thread& worker : workers) {
            worker.join();
        }
    }
};

}  // namespace moon
