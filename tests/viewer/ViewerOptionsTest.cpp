// SPDX-License-Identifier: MIT
// The viewer's command line: what each option sets, and the one-line problem
// for every kind of bad input.
#include "viewer/ViewerOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace moon {
namespace {

struct Parsed {
    bool ok = false;
    ViewerOptions options;
    std::string problem;
};

Parsed Parse(const std::vector<std::string_view>& args) {
    Parsed parsed;
    parsed.ok = parsed.options.Parse(args, parsed.problem);
    return parsed;
}

TEST(ViewerOptionsTest, NoArgumentsRunsWithTheClockSeed) {
    const Parsed parsed = Parse({});
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.options.action, ViewerOptions::Action::Run);
    EXPECT_FALSE(parsed.options.seed.has_value());
    EXPECT_FALSE(parsed.options.verbose);
    EXPECT_FALSE(parsed.options.refine);
    const Parsed refined = Parse({"--refine", "--seed", "4"});
    ASSERT_TRUE(refined.ok);
    EXPECT_TRUE(refined.options.refine);
    EXPECT_FALSE(refined.options.craters);
    EXPECT_EQ(refined.options.action, ViewerOptions::Action::Run);
    // Craters lie on the refined landscape.
    const Parsed craters = Parse({"--craters"});
    ASSERT_TRUE(craters.ok);
    EXPECT_TRUE(craters.options.craters);
    EXPECT_TRUE(craters.options.refine);
}

TEST(ViewerOptionsTest, RegenerationsAndTheSaveFolder) {
    const Parsed parsed = Parse({"--regenerations", "100000", "--save-dir", "kept"});
    ASSERT_TRUE(parsed.ok) << parsed.problem;
    EXPECT_EQ(parsed.options.regenerations, 100000u);
    EXPECT_EQ(parsed.options.saveDir, "kept");
    EXPECT_FALSE(Parse({}).options.saveDir.has_value());
    // The earlier spelling still works.
    EXPECT_EQ(Parse({"--regeneration=3"}).options.regenerations, 3u);
    EXPECT_EQ(Parse({"--regenerations", "100001"}).problem,
              "--regenerations must be a whole number from 0 to 100000, not \"100001\"");
    EXPECT_EQ(Parse({"--save-dir="}).problem, "--save-dir needs a folder");
}

TEST(ViewerOptionsTest, SeedCoversTheWholeThirtyTwoBitRangeInBothSpellings) {
    for (const auto& [args, seed] :
         std::vector<std::pair<std::vector<std::string_view>, std::uint32_t>>{
             {{"--seed", "0"}, 0u},
             {{"--seed", "4294967295"}, 4294967295u},
             {{"--seed=1700000000"}, 1700000000u},
             {{"--verbose", "--seed", "42"}, 42u}}) {
        const Parsed parsed = Parse(args);
        ASSERT_TRUE(parsed.ok) << parsed.problem;
        EXPECT_EQ(parsed.options.action, ViewerOptions::Action::Run);
        EXPECT_EQ(parsed.options.seed, seed);
    }
    EXPECT_TRUE(Parse({"--verbose"}).options.verbose);
}

TEST(ViewerOptionsTest, RenderTakesAFileAndFrames) {
    Parsed parsed = Parse({"--render", "out.png", "--seed", "7", "--frames", "360"});
    ASSERT_TRUE(parsed.ok) << parsed.problem;
    EXPECT_EQ(parsed.options.action, ViewerOptions::Action::Render);
    EXPECT_EQ(parsed.options.renderPath, "out.png");
    EXPECT_EQ(parsed.options.frames, 360);
    EXPECT_EQ(parsed.options.seed, 7u);

    parsed = Parse({"--render=out.png"});
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.options.frames, 1);
}

TEST(ViewerOptionsTest, HelpAndVersionWinOverEverythingParsedBeforeThem) {
    EXPECT_EQ(Parse({"--help"}).options.action, ViewerOptions::Action::Help);
    EXPECT_EQ(Parse({"-h"}).options.action, ViewerOptions::Action::Help);
    EXPECT_EQ(Parse({"--render", "x.png", "--help"}).options.action, ViewerOptions::Action::Help);
    EXPECT_EQ(Parse({"--version"}).options.action, ViewerOptions::Action::Version);
    EXPECT_EQ(Parse({"--render", "x.png", "--version"}).options.action,
              ViewerOptions::Action::Version);
}

TEST(ViewerOptionsTest, BadInputIsOneLineNamingTheOption) {
    const std::pair<std::vector<std::string_view>, std::string> cases[] = {
        {{"--fullscreen"}, "unknown option \"--fullscreen\""},
        {{"-x"}, "unknown option \"-x\""},
        {{"landscape"}, "unexpected argument \"landscape\""},
        {{"--seed"}, "--seed needs a value (N)"},
        {{"--seed", "-1"}, "--seed must be a whole number from 0 to 4294967295, not \"-1\""},
        {{"--seed", "4294967296"}, "not \"4294967296\""},
        {{"--seed", "0x10"}, "not \"0x10\""},
        {{"--seed", ""}, "not \"\""},
        {{"--seed", "1", "--seed", "2"}, "--seed given more than once"},
        {{"--verbose=yes"}, "--verbose takes no value"},
        {{"--render", ""}, "--render needs a file name"},
        {{"--render", "x.png", "--frames", "0"}, "--frames must be a whole number from 1 to 360"},
        {{"--render", "x.png", "--frames", "361"}, "not \"361\""},
        {{"--frames", "3"}, "--frames needs --render FILE"},
        {{"--version", "--bogus"}, "unknown option \"--bogus\""},
    };
    for (const auto& [args, problem] : cases) {
        const Parsed parsed = Parse(args);
        const std::string shown = ::testing::PrintToString(args);
        EXPECT_FALSE(parsed.ok) << shown;
        EXPECT_NE(parsed.problem.find(problem), std::string::npos)
            << shown << ": " << parsed.problem;
        EXPECT_EQ(parsed.problem.find('\n'), std::string::npos) << shown;
    }
}

TEST(ViewerOptionsTest, UsageListsEveryOption) {
    const std::string usage = ViewerOptions::Usage();
    EXPECT_EQ(usage.rfind("Usage: moon ", 0), 0u);
    for (const char* option : {"--seed N", "--verbose", "--refine", "--render FILE", "--frames K",
                               "--version", "--help"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

}  // namespace
}  // namespace moon
