// SPDX-License-Identifier: MIT
#include "viewer/Sun.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "scene/Colour4f.h"
#include "tests/support/RecordingGL.h"

namespace moon {
namespace {

using test::Call;
using test::GLCall;
using test::RecordingGL;

// The serial number the recording GL gave the most recent quadric.
double LastQuadric() {
    return RecordingGL::CallsNamed("gluNewQuadric").back()[0];
}

TEST(SunTest, DrawsNothingBeforeInitAndReleasesNothing) {
    {
        Sun sun;
        EXPECT_FALSE(sun.HasQuadric());
        sun.Draw();
    }
    // No matrix push, no colour-material switch, no quadric freed.
    EXPECT_TRUE(RecordingGL::Calls().empty()) << RecordingGL::Dump();
}

TEST(SunTest, InitSetsUpASmoothQuadricAndDrawRestoresState) {
    Sun sun;
    sun.Init(0.1f, 20, 12, GL_FALSE);
    const double quadric = LastQuadric();
    const std::vector<GLCall> init = {
        Call("gluNewQuadric", {quadric}),
        Call("gluQuadricNormals", {quadric, GLU_SMOOTH}),
        Call("gluQuadricTexture", {quadric, GL_FALSE}),
    };
    EXPECT_EQ(RecordingGL::Calls(), init) << RecordingGL::Dump();

    RecordingGL::Reset();
    sun.Draw();
    const Colour4f colour(246, 250, 174);
    EXPECT_EQ(colour.r, 0.9647059440612793f);
    const std::vector<GLCall> draw = {
        Call("glPushMatrix", {}),
        Call("glDisable", {GL_COLOR_MATERIAL}),
        Call("glMaterialfv", {GL_FRONT, GL_AMBIENT_AND_DIFFUSE, colour.r, colour.g, colour.b, 1.0}),
        // The float radius is widened, not re-read as the decimal 0.1.
        Call("gluSphere", {quadric, static_cast<double>(0.1f), 20, 12}),
        Call("glEnable", {GL_COLOR_MATERIAL}),
        Call("glPopMatrix", {}),
    };
    EXPECT_EQ(RecordingGL::Calls(), draw) << RecordingGL::Dump();
}

TEST(SunTest, DestroyingOrReInitialisingReleasesTheQuadric) {
    double first = 0.0;
    double second = 0.0;
    {
        Sun sun;
        sun.Init(20.0f, 20, 20, GL_TRUE);
        first = LastQuadric();
        EXPECT_EQ(RecordingGL::Calls().back(), Call("gluQuadricTexture", {first, GL_TRUE}));
        EXPECT_TRUE(RecordingGL::CallsNamed("gluDeleteQuadric").empty());

        sun.Init(20.0f, 20, 20, GL_FALSE);
        second = LastQuadric();
        EXPECT_NE(first, second);
        ASSERT_EQ(RecordingGL::CallsNamed("gluDeleteQuadric").size(), 1u);
        EXPECT_EQ(RecordingGL::CallsNamed("gluDeleteQuadric")[0][0], first);
    }
    const std::vector<GLCall> deleted = RecordingGL::CallsNamed("gluDeleteQuadric");
    ASSERT_EQ(deleted.size(), 2u);
    EXPECT_EQ(deleted[1][0], second);
}

}  // namespace
}  // namespace moon
