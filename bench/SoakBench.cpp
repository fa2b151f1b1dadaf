// SPDX-License-Identifier: MIT
// The random-input soak at length: 1,000,000 messages through the real
// MoonApp on the fake window system, the recording GL counting only. Reports
// the time taken and the process's peak resident memory, which must stay flat
// however long the run: nothing may grow with the number of messages.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include "tests/support/SoakDriver.h"

namespace moon {
namespace {

double peakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

void BM_Soak(benchmark::State& state) {
    SoakOptions options;
    options.messages = static_cast<std::uint64_t>(state.range(0));
    options.seconds = 1e9;  // the message count alone ends the run
    SoakResult result;
    for (auto _ : state) {
        result = RunSoak(options, [](MoonApp&) {});
    }
    state.counters["messages"] = static_cast<double>(result.messages);
    state.counters["idle_passes"] = static_cast<double>(result.idlePasses);
    state.counters["regenerations"] = static_cast<double>(result.regenerations);
    state.counters["messages_per_s"] = static_cast<double>(result.messages) / result.seconds;
    state.counters["peak_rss_MiB"] = peakResidentMiB();
    if (result.exitCode != 0) {
        state.SkipWithError("the program did not end with status 0");
    }
}
// One run only: the framework allows one application and one window system
// per process.
BENCHMARK(BM_Soak)->Arg(1000000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace moon

BENCHMARK_MAIN();
