// SPDX-License-Identifier: MIT
// ProcessSignals in-process: each signal is raised at the test itself, with
// a handler of the test's own standing for "what was there before" where the
// default would end the test.
#include "system/ProcessSignals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include "tests/support/TempFolder.h"

namespace moon {
namespace {

volatile std::sig_atomic_t g_received = 0;

void onTestSignal(int signal) {
    g_received = signal;
}

// The handler installed for signal now.
void (*handlerOf(int signal))(int) {
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    return current.sa_handler;
}

class ProcessSignalsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_folder.Get().empty());
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
            std::signal(signal, onTestSignal);
        }
        g_received = 0;
    }
    std::string MakeFile(const std::string& name) const {
        std::ofstream(m_folder.Path(name)) << "partly written";
        return m_folder.Path(name);
    }

    test::TempFolder m_folder{"moon-signals-test"};
};

// The viewer writing its picture: SIGINT and SIGTERM are close requests, and
// the write goes on with its temporary file; SIGHUP is not one.
TEST_F(ProcessSignalsTest, ACloseRequestWinsOverAWritesCleanup) {
    ProcessSignals::CatchCloseRequests();
    ProcessSignals::BeginWrite();
    const std::string temporary = MakeFile("temporary");
    ProcessSignals::GuardTemporary(temporary);
    for (const int signal : {SIGINT, SIGTERM}) {
        EXPECT_FALSE(ProcessSignals::CloseRequested());
        ASSERT_EQ(std::raise(signal), 0);
        EXPECT_TRUE(ProcessSignals::CloseRequested());  // seen, not taken
        EXPECT_TRUE(ProcessSignals::TakeCloseRequest());
        EXPECT_FALSE(ProcessSignals::TakeCloseRequest());  // taken once
        EXPECT_TRUE(std::filesystem::exists(temporary));
    }
    EXPECT_EQ(g_received, 0);
    ASSERT_EQ(std::raise(SIGHUP), 0);
    EXPECT_EQ(g_received, SIGHUP);
    EXPECT_FALSE(std::filesystem::exists(temporary));
    ProcessSignals::EndWrite();
    ProcessSignals::ReleaseCloseRequests();
    EXPECT_FALSE(ProcessSignals::TakeCloseRequest());
}

// A render catches requests from its start, and its window system catches
// them again once it opens: a request that came between is not lost.
TEST_F(ProcessSignalsTest, CatchingAgainKeepsARequestNotYetTaken) {
    ProcessSignals::CatchCloseRequests();
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ProcessSignals::CatchCloseRequests();
    EXPECT_TRUE(ProcessSignals::CloseRequested());
    EXPECT_TRUE(ProcessSignals::TakeCloseRequest());
    ProcessSignals::ReleaseCloseRequests();
    EXPECT_EQ(g_received, 0);
}

// A write alone: the temporary file goes first, then the signal reaches what
// was installed before. Once the write ends, SIGXFSZ is no longer caught.
TEST_F(ProcessSignalsTest, AWritesSignalRemovesTheTemporaryThenTakesItsCourse) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        g_received = 0;
        ProcessSignals::BeginWrite();
        const std::string temporary = MakeFile("temporary");
        const std::string kept = MakeFile("kept");
        ProcessSignals::GuardTemporary(kept);
        ProcessSignals::GuardTemporary(temporary);  // the latest name counts
        ASSERT_EQ(std::raise(signal), 0);
        EXPECT_EQ(g_received, signal);
        EXPECT_FALSE(std::filesystem::exists(temporary));
        EXPECT_TRUE(std::filesystem::exists(kept));
        EXPECT_FALSE(ProcessSignals::TakeCloseRequest());
        ProcessSignals::EndWrite();
    }

    ProcessSignals::BeginWrite();
    EXPECT_FALSE(ProcessSignals::FileSizeExceeded());
    ASSERT_EQ(std::raise(SIGXFSZ), 0);
    EXPECT_TRUE(ProcessSignals::FileSizeExceeded());
    EXPECT_EQ(g_received, SIGHUP);  // not passed on
    ProcessSignals::EndWrite();
    ProcessSignals::BeginWrite();
    EXPECT_FALSE(ProcessSignals::FileSizeExceeded());  // each write starts afresh
    ProcessSignals::EndWrite();
    ASSERT_EQ(std::raise(SIGXFSZ), 0);
    EXPECT_EQ(g_received, SIGXFSZ);
}

// What was installed before comes back when neither part needs a signal, in
// either order; a signal the program was started to ignore stays ignored.
TEST_F(ProcessSignalsTest, WhatWasInstalledComesBackAndIgnoredStaysIgnored) {
    std::signal(SIGTERM, SIG_IGN);
    ProcessSignals::CatchCloseRequests();
    ProcessSignals::BeginWrite();
    EXPECT_EQ(handlerOf(SIGTERM), SIG_IGN);
    ASSERT_EQ(std::raise(SIGTERM), 0);
    EXPECT_FALSE(ProcessSignals::TakeCloseRequest());
    EXPECT_NE(handlerOf(SIGINT), onTestSignal);
    ProcessSignals::ReleaseCloseRequests();
    EXPECT_NE(handlerOf(SIGINT), onTestSignal);  // the write still needs it
    ProcessSignals::EndWrite();
    for (const int signal : {SIGINT, SIGHUP, SIGXFSZ}) {
        EXPECT_EQ(handlerOf(signal), onTestSignal) << signal;
    }
    EXPECT_EQ(handlerOf(SIGTERM), SIG_IGN);
    EXPECT_EQ(g_received, 0);
}

}  // namespace
}  // namespace moon
