// SPDX-License-Identifier: MIT
#include "tests/support/SoakDriver.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "framework/GLAppCore.h"
#include "framework/GLWindowExtra.h"
#include "framework/platform/fake/FakePlatform.h"
#include "terrain/Terrain.h"
#include "terrain/TerrainModel.h"
#include "tests/support/RecordingGL.h"
#include "viewer/MoonApp.h"

namespace moon {

using namespace platform;

namespace {

constexpr WParam kKeySpace = 32;

// Keys the views react to, and some they must ignore; any byte code as well.
// Space is drawn apart: each regeneration ends its batch (see InjectKey).
constexpr int kInterestingKeys[] = {16,  16,  49,  50,  51,  52,  53,  54,  55,  65,
                                    70,  76,  83,  87,  96,  101, 102, 105, 108, 115,
                                    119, 219, 221, 219, 221, 27,  112, 0,   255};

void collectGenerated(const TerrainNode* node, std::vector<Vec3>& points) {
    if (node == nullptr || !node->fixed) {
        return;
    }
    points.insert(points.end(), node->points.begin(), node->points.end());
    for (const auto& child : node->children) {
        collectGenerated(child.get(), points);
    }
}

class SoakApp : public MoonApp {
public:
    SoakApp(const SoakOptions& options, FakePlatform& fake, SoakResult& result)
        : m_options(options), m_fake(fake), m_result(result), m_random(options.seed) {
        m_result.generatedPoints = GeneratedPoints(*GetTerrainModel());
        m_started = std::chrono::steady_clock::now();
    }

    // The loop's idle pass: the queue is empty and both views have painted.
    void OnIdle() override {
        ++m_result.idlePasses;
        // The fake logs every platform call; a long run must not keep them.
        m_fake.ClearCalls();
        if (m_regenerated) {
            // The batch ended with Space: the tree is as generated.
            m_result.generatedPoints = GeneratedPoints(*GetTerrainModel());
            m_regenerated = false;
        }
        if (m_closing) {
            return;
        }
        const double elapsed = Elapsed();
        if (m_result.messages >= m_options.messages || elapsed >= m_options.seconds) {
            // As a user closes it: the loop ends with the quit message.
            m_fake.Inject(Perspective(), WM_CLOSE);
            m_closing = true;
            return;
        }
        const int batch = Pick(1, 100);
        for (int i = 0; i < batch && m_result.messages < m_options.messages; ++i) {
            if (InjectOne()) {
                break;  // a regeneration ends the batch
            }
        }
    }

    double Elapsed() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
    }

private:
    WindowHandle Perspective() { return GetPerspectiveView().GetExtra()->m_hWnd; }
    WindowHandle Plan() { return GetPlanView().GetExtra()->m_hWnd; }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    // A pointer position: mostly a small step, sometimes anywhere in or
    // around the window, now and then the extremes of the 16-bit words.
    int NextCoordinate(int& last, int extent) {
        const int roll = Pick(0, 99);
        if (roll < 80) {
            last += Pick(-12, 12);
        } else if (roll < 97) {
            last = Pick(-200, extent + 200);
        } else {
            last = Pick(0, 1) ? -32768 : 32767;
        }
        last = std::min(32767, std::max(-32768, last));
        return last;
    }

    // Injects one message; true when it was the regenerate key.
    bool InjectOne() {
        ++m_result.messages;
        // Most input goes to the perspective view, which has the controls.
        const WindowHandle target = Pick(0, 9) == 0 ? Plan() : Perspective();
        const int kind = Pick(0, 999);
        if (kind < 420) {
            const int x = NextCoordinate(m_x, 640);
            const int y = NextCoordinate(m_y, 480);
            m_fake.Inject(target, WM_MOUSEMOVE, 0, MakeLParam(x, y));
        } else if (kind < 560) {
            static constexpr std::uint32_t kButtons[] = {
                WM_LBUTTONDOWN, WM_LBUTTONUP,   WM_RBUTTONDOWN, WM_RBUTTONUP,     WM_MBUTTONDOWN,
                WM_MBUTTONUP,   WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK};
            m_fake.Inject(target, kButtons[Pick(0, 9)], 0, MakeLParam(m_x, m_y));
        } else if (kind < 880) {
            int key =
                Pick(0, 3) == 0
                    ? Pick(0, 255)
                    : kInterestingKeys[Pick(0, static_cast<int>(std::size(kInterestingKeys)) - 1)];
            if (key == static_cast<int>(kKeySpace)) {
                ++key;
            }
            if (Pick(0, 499) == 0) {
                key = static_cast<int>(kKeySpace);
            }
            return InjectKey(target, key);
        } else if (kind < 930) {
            // Sizes, 0 x 0 (minimised) included.
            const int width = Pick(0, 3) == 0 ? 0 : Pick(1, 1200);
            const int height = Pick(0, 3) == 0 ? 0 : Pick(1, 900);
            m_fake.Inject(target, WM_SIZE, 0, MakeLParam(width, height));
        } else if (kind < 975) {
            m_fake.InvalidateRect(target, nullptr, false);
        } else if (kind < 998) {
            m_fake.Inject(target, Pick(0, 1) ? WM_SETCURSOR : WM_NCMOUSEMOVE, target.id,
                          MakeLParam(HTCLIENT, WM_MOUSEMOVE));
        } else if (!m_result.planClosed && Pick(0, 9) == 0) {
            m_fake.Inject(Plan(), WM_CLOSE);
            m_result.planClosed = true;
        } else {
            m_fake.Inject(target, WM_USER + 1);  // a stray creation message
        }
        return false;
    }

    bool InjectKey(WindowHandle target, int key) {
        // Auto-repeat: several key-downs, then usually the key-up.
        const int repeats = Pick(0, 4) == 0 ? Pick(2, 6) : 1;
        for (int i = 0; i < repeats; ++i) {
            m_fake.Inject(target, WM_KEYDOWN, static_cast<WParam>(key), 0);
        }
        if (Pick(0, 4) != 0) {
            m_fake.Inject(target, WM_KEYUP, static_cast<WParam>(key), 0);
        }
        if (key == static_cast<int>(kKeySpace) && target == Perspective()) {
            ++m_result.regenerations;
            m_regenerated = true;
            return true;
        }
        return false;
    }

    const SoakOptions& m_options;
    FakePlatform& m_fake;
    SoakResult& m_result;
    std::mt19937 m_random;
    std::chrono::steady_clock::time_point m_started;
    int m_x = 320;
    int m_y = 240;
    bool m_closing = false;
    bool m_regenerated = false;
};

std::uint64_t environmentNumber(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') {
        return fallback;
    }
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    return (end != nullptr && *end == '\0') ? value : fallback;
}

}  // namespace

SoakOptions SoakOptionsFromEnvironment(SoakOptions defaults) {
    defaults.messages = environmentNumber("MOON_SOAK_MESSAGES", defaults.messages);
    defaults.seconds = static_cast<double>(
        environmentNumber("MOON_SOAK_SECONDS", static_cast<std::uint64_t>(defaults.seconds)));
    return defaults;
}

std::vector<Vec3> GeneratedPoints(const TerrainModel& model) {
    std::vector<Vec3> points;
    collectGenerated(model.GetTerrain()->GetRoot(), points);
    return points;
}

SoakResult RunSoak(const SoakOptions& options, const std::function<void(MoonApp&)>& inspect) {
    auto fake = std::make_unique<FakePlatform>();
    FakePlatform& platform = *fake;
    Platform::Use(std::move(fake));
    test::RecordingGL::SetMode(test::RecordingGL::Mode::Count);
    test::RecordingGL::Reset();

    SoakResult result;
    {
        SoakApp app(options, platform, result);
        result.exitCode = GLAppCore::Instance()->Run(0, nullptr);
        result.seconds = app.Elapsed();
        result.glCalls = test::RecordingGL::Count();
        inspect(app);
    }
    return result;
}

}  // namespace moon
