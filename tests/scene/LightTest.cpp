// SPDX-License-Identifier: MIT
#include "scene/Light.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>

#include "scene/SceneLights.h"
#include "tests/support/RecordingGL.h"

namespace moon {
namespace {

using test::Call;
using test::GLCall;
using test::RecordingGL;

GLCall LightCall(int light, GLenum pname, float r, float g, float b, float a) {
    return Call("glLightfv",
                {static_cast<double>(GL_LIGHT0 + light), static_cast<double>(pname), r, g, b, a});
}

TEST(LightTest, NewLightAndInitKeepTheIntensity) {
    Light light;
    EXPECT_EQ(light.GetIndex(), -1);
    EXPECT_EQ(light.GetIntensity(), 1.0);
    EXPECT_EQ(light.GetAmbient(), Colour4f(0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(light.GetDiffuse(), Colour4f(0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(light.GetPosition(), Vec3());

    light.AddIntensity(0.5);
    light.Init(3, Colour4f::Black(), Colour4f(0.5f, 0.25f, 0.125f, 0.0f), Vec3(1.0, 2.0, 3.0));
    EXPECT_EQ(light.GetIndex(), 3);
    EXPECT_EQ(light.GetIntensity(), 1.5);
    EXPECT_EQ(light.GetDiffuse(), Colour4f(0.5f, 0.25f, 0.125f, 0.0f));
    EXPECT_EQ(light.GetPosition(), Vec3(1.0, 2.0, 3.0));
}

TEST(LightTest, SendsScaledDiffuseThenAmbientAndAPositionalLight) {
    Light light;
    light.Init(1, Colour4f(0.1f, 0.0f, 0.0f, 0.0f), Colour4f(0.2f, 0.2f, 0.2f, 0.0f),
               Vec3(0.1, 50.0, -500.0));
    light.AddIntensity(0.5);
    RecordingGL::Reset();
    light.Enable();
    light.ApplyColours();
    light.ApplyPosition();

    const std::vector<GLCall> expected = {
        Call("glEnable", {GL_LIGHTING}),
        Call("glEnable", {GL_LIGHT1}),
        LightCall(1, GL_DIFFUSE, 0.30000001192092896f, 0.30000001192092896f, 0.30000001192092896f,
                  1.0f),
        LightCall(1, GL_AMBIENT, static_cast<float>(0.1f * 1.5), 0.0f, 0.0f, 1.0f),
        LightCall(1, GL_POSITION, 0.1f, 50.0f, -500.0f, 1.0f),
    };
    EXPECT_EQ(RecordingGL::Calls(), expected) << RecordingGL::Dump();
    // Only the sent copies are scaled.
    EXPECT_EQ(light.GetDiffuse(), Colour4f(0.2f, 0.2f, 0.2f, 0.0f));
}

TEST(LightTest, IntensityStepsAreUnbounded) {
    Light light;
    light.Init(2, Colour4f::Black(), Colour4f(0.4f, 0.4f, 0.4f, 1.0f), Vec3());
    light.AddIntensity(-0.25);
    light.AddIntensity(0.25);
    EXPECT_EQ(light.GetIntensity(), 1.0);

    for (int step = 0; step < 4; ++step) {
        light.AddIntensity(-0.25);
    }
    EXPECT_EQ(light.GetIntensity(), 0.0);
    RecordingGL::Reset();
    light.ApplyColours();
    ASSERT_EQ(RecordingGL::Calls().size(), 2u);
    EXPECT_EQ(RecordingGL::Calls()[0], LightCall(2, GL_DIFFUSE, 0.0f, 0.0f, 0.0f, 1.0f));

    // Below zero the negative colour goes out unchanged.
    light.AddIntensity(-0.25);
    RecordingGL::Reset();
    light.ApplyColours();
    EXPECT_EQ(RecordingGL::Calls()[0],
              LightCall(2, GL_DIFFUSE, static_cast<float>(0.4f * -0.25),
                        static_cast<float>(0.4f * -0.25), static_cast<float>(0.4f * -0.25), 1.0f));
}

TEST(LightTest, SceneTableUsesLightsOneToFive) {
    std::array<Light, kSceneLightCount> lights;
    InitSceneLights(lights);

    const float diffuse[kSceneLightCount] = {0.2f, 0.4f, 0.2f, 0.1f, 1.0f};
    const Vec3 positions[kSceneLightCount] = {{0.0, 50.0, -500.0},
                                              {0.0, 50.0, 0.0},
                                              {250.0, 100.0, 0.0},
                                              {500.0, 50.0, -500.0},
                                              {0.0, 0.0, -500.0}};
    for (int slot = 0; slot < kSceneLightCount; ++slot) {
        const Light& light = lights[static_cast<std::size_t>(slot)];
        SCOPED_TRACE(slot);
        EXPECT_EQ(light.GetIndex(), slot + 1);
        EXPECT_EQ(light.GetIntensity(), 1.0);
        EXPECT_EQ(light.GetAmbient(), Colour4f::Black());
        EXPECT_EQ(light.GetDiffuse().r, diffuse[slot]);
        EXPECT_EQ(light.GetDiffuse().g, diffuse[slot]);
        EXPECT_EQ(light.GetDiffuse().b, diffuse[slot]);
        EXPECT_EQ(light.GetPosition(), positions[slot]);
    }

    RecordingGL::Reset();
    for (const Light& light : lights) {
        light.Enable();
    }
    for (const GLCall& call : RecordingGL::CallsNamed("glEnable")) {
        EXPECT_NE(call[0], GL_LIGHT0);
    }
    EXPECT_EQ(RecordingGL::Calls().back(), Call("glEnable", {GL_LIGHT5}));

    // The circling light shines full white at intensity 1.
    RecordingGL::Reset();
    lights[kCirclingLightSlot].ApplyColours();
    EXPECT_EQ(RecordingGL::Calls()[0], LightCall(5, GL_DIFFUSE, 1.0f, 1.0f, 1.0f, 1.0f));
    EXPECT_EQ(RecordingGL::Calls()[1], LightCall(5, GL_AMBIENT, 0.0f, 0.0f, 0.0f, 1.0f));
}

}  // namespace
}  // namespace moon
