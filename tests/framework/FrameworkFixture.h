// SPDX-License-Identifier: MIT
// Shared set-up for the framework tests: the fake window system, an
// application and windows that log their handler calls, and a message pump.
// Each test runs in a process of its own, so the core starts fresh each time.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/GLApp.h"
#include "framework/GLAppCore.h"
#include "framework/GLWindow.h"
#include "framework/GLWindowExtra.h"
#include "framework/platform/fake/FakePlatform.h"
#include "tests/support/MessagePump.h"
#include "tests/support/RecordingGL.h"

namespace moon::test {

// Handler calls of every TestApp and TestWindow, in order, e.g. "A.OnResize(320,240)".
inline std::vector<std::string>& Events() {
    static std::vector<std::string> events;
    return events;
}

class TestApp : public GLApp {
public:
    void OnInit() override { Events().push_back("App.OnInit"); }
    void OnIdle() override {
        ++m_idlePasses;
        if (m_onIdle) {
            m_onIdle(m_idlePasses);
        }
    }
    void OnExit() override { Events().push_back("App.OnExit"); }

    // Called with the pass number (1, 2, ...) at each idle pass.
    std::function<void(int)> m_onIdle;
    int m_idlePasses = 0;
};

class TestWindow : public GLWindow {
public:
    explicit TestWindow(std::string name) : m_name(std::move(name)) {}

    void OnCreate() override {
        Log("OnCreate");
        if (m_onCreate) {
            m_onCreate();
        }
    }
    void OnDestroy() override { Log("OnDestroy"); }
    void OnDisplay() override {
        Log("OnDisplay");
        GLWindow::OnDisplay();
    }
    void OnResize(int width, int height) override {
        Log("OnResize(" + std::to_string(width) + "," + std::to_string(height) + ")");
        GLWindow::OnResize(width, height);
    }
    void OnMouseButton(int button, bool down) override {
        Log("OnMouseButton(" + std::to_string(button) + "," + std::to_string(down) + ")");
    }
    void OnMouseMove(int x, int y) override {
        Log("OnMouseMove(" + std::to_string(x) + "," + std::to_string(y) + ")");
    }
    void OnKeyboard(int key, bool down) override {
        Log("OnKeyboard(" + std::to_string(key) + "," + std::to_string(down) + ")");
    }
    void OnIdle() override {
        ++m_idleCalls;
        if (m_onIdle) {
            m_onIdle();
        }
    }

    platform::WindowHandle Handle() const { return GetExtra()->m_hWnd; }
    platform::ContextHandle Context() const { return GetExtra()->m_hRC; }

    std::string m_name;
    std::function<void()> m_onCreate;
    std::function<void()> m_onIdle;
    int m_idleCalls = 0;
    // The GL context current during the last logged handler call.
    platform::ContextHandle m_lastContext;

private:
    void Log(const std::string& what);
};

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The core, the make-current stack and the one-time message flag live
        // for the whole process: run through ctest, or with --gtest_filter.
        static int testsInProcess = 0;
        ASSERT_EQ(++testsInProcess, 1) << "each framework test needs a process of its own";
        auto fake = std::make_unique<platform::FakePlatform>();
        m_fake = fake.get();
        platform::Platform::Use(std::move(fake));
        Events().clear();
        RecordingGL::Reset();
    }

    GLAppCore& Core() { return *GLAppCore::Instance(); }
    platform::FakePlatform& Fake() { return *m_fake; }

    // Dispatches queued messages (no idle pass) until the queue is empty.
    void Pump() { PumpMessages(*m_fake); }

    // Events logged since the last call, then forgets them.
    std::vector<std::string> TakeEvents() {
        std::vector<std::string> events;
        events.swap(Events());
        return events;
    }

    platform::FakePlatform* m_fake = nullptr;
};

// Also notes the handler in the fake's call log, so handler calls can be
// ordered among platform calls.
inline void TestWindow::Log(const std::string& what) {
    const std::string event = m_name + "." + what;
    Events().push_back(event);
    auto& fake = static_cast<platform::FakePlatform&>(platform::Platform::Get());
    fake.Note(event);
    m_lastContext = fake.CurrentContext();
}

}  // namespace moon::test
