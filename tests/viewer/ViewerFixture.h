// SPDX-License-Identifier: MIT
// Shared set-up for the viewer tests: the real MoonApp on the fake window
// system, drawing into the recording GL, and small helpers to read the tree
// and build expected call streams. Each test runs in a process of its own, so
// the views' angles, the last pointer position and the framework core start
// fresh every time.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <ctime>
#include <initializer_list>
#include <memory>
#include <vector>

#include "framework/GLAppCore.h"
#include "framework/GLWindowExtra.h"
#include "framework/platform/fake/FakePlatform.h"
#include "terrain/Terrain.h"
#include "terrain/TerrainModel.h"
#include "tests/support/MessagePump.h"
#include "tests/support/RecordingGL.h"
#include "viewer/MoonApp.h"

namespace moon::test {

struct TreeCounts {
    int nodes = 0;
    int leaves = 0;
    int fixedNodes = 0;
    int maxDepth = 0;
};

inline TreeCounts CountTree(const TerrainModel& model) {
    TreeCounts counts;
    ForEachNode(model.GetTerrain()->GetRoot(), [&counts](const TerrainNode& node) {
        ++counts.nodes;
        counts.fixedNodes += node.fixed ? 1 : 0;
        counts.maxDepth = std::max(counts.maxDepth, static_cast<int>(node.depth));
        counts.leaves += node.IsLeaf() ? 1 : 0;
    });
    return counts;
}

// The filled triangles' vertices of the recorded stream, as OpenGL takes them.
inline std::vector<DrawnVertex> DrawnTriangles() {
    std::vector<DrawnVertex> triangles;
    for (const DrawnVertex& vertex : RecordingGL::DrawnVertices()) {
        if (vertex.primitive == GL_TRIANGLES) {
            triangles.push_back(vertex);
        }
    }
    return triangles;
}

// What the model's immediate stream draws, recorded on its own: the stream
// recorded so far is forgotten.
inline std::vector<DrawnVertex> ImmediateTriangles(const TerrainModel& model) {
    RecordingGL::Reset();
    model.Draw();
    return DrawnTriangles();
}

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto fake = std::make_unique<platform::FakePlatform>();
        m_fake = fake.get();
        platform::Platform::Use(std::move(fake));
        RecordingGL::SetMode(RecordingGL::Mode::Record);
        m_clockBefore = std::time(nullptr);
        m_app = std::make_unique<MoonApp>();
        m_clockAfter = std::time(nullptr);
        RecordingGL::Reset();
    }

    void TearDown() override { m_app.reset(); }

    // Opens both OS windows in list order, as Run does, and handles the
    // messages that follows (the creation message runs each view's OnCreate).
    void OpenWindows() {
        for (GLWindowExtra* record : GLAppCore::Instance()->m_windows) {
            ASSERT_TRUE(record->Recreate());
        }
        Pump();
    }

    // Dispatches queued messages until the queue is empty (no idle pass).
    void Pump() { PumpMessages(*m_fake); }

    int Swaps(GLWindow& window) { return m_fake->State(window.GetExtra()->m_hWnd).swapCount; }

    MoonApp& App() { return *m_app; }
    PlanView& Plan() { return m_app->GetPlanView(); }
    PerspectiveView& Perspective() { return m_app->GetPerspectiveView(); }
    TerrainModel& Model() { return *m_app->GetTerrainModel(); }
    Camera& TheCamera() { return m_app->GetCamera(); }

    // The expected colour and position calls of the five lights.
    std::vector<GLCall> LightColourCalls() {
        std::vector<GLCall> calls;
        for (int slot = 0; slot < 5; ++slot) {
            const Light& light = App().GetLights()[slot];
            const double id = GL_LIGHT0 + light.GetIndex();
            const Colour4f& diffuse = light.GetDiffuse();
            const Colour4f& ambient = light.GetAmbient();
            calls.push_back(
                Call("glLightfv", {id, GL_DIFFUSE, diffuse.r, diffuse.g, diffuse.b, 1}));
            calls.push_back(
                Call("glLightfv", {id, GL_AMBIENT, ambient.r, ambient.g, ambient.b, 1}));
        }
        return calls;
    }
    GLCall LightPositionCall(int slot) {
        const Light& light = App().GetLights()[slot];
        const Vec3& p = light.GetPosition();
        return Call("glLightfv",
                    {static_cast<double>(GL_LIGHT0 + light.GetIndex()), GL_POSITION,
                     static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z), 1});
    }

    // The recorded calls from index first, count of them.
    static std::vector<GLCall> Slice(std::size_t first, std::size_t count) {
        const auto& calls = RecordingGL::Calls();
        first = std::min(first, calls.size());
        count = std::min(count, calls.size() - first);
        return {calls.begin() + static_cast<std::ptrdiff_t>(first),
                calls.begin() + static_cast<std::ptrdiff_t>(first + count)};
    }

    platform::FakePlatform* m_fake = nullptr;
    std::unique_ptr<MoonApp> m_app;
    std::time_t m_clockBefore = 0;
    std::time_t m_clockAfter = 0;
};

}  // namespace moon::test
