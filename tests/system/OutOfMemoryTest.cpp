// SPDX-License-Identifier: MIT
// Running out of memory, in a child process of the test's own (a death test):
// the program ends with its one line and status 1, and the file it was writing
// leaves no temporary behind.
#include "system/OutOfMemory.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>

#include "system/ProcessSignals.h"
#include "tests/support/TempFolder.h"

namespace moon {
namespace {

// More than any address space holds (half of what size_t counts): the
// allocation fails at once on every system, Wine's too, which lets a
// 64 TiB one through. volatile, so that the compiler cannot prove the
// request away.
volatile std::size_t g_impossible = std::numeric_limits<std::size_t>::max() / 2;

// The sanitizers' allocators end the process their own way on a failed
// allocation, before the program's handler could run.
bool sanitized() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

constexpr const char* kFileVariable = "MOON_MEMORY_TEST_FILE";

void setVariable(const char* name, const std::string& value) {
#if defined(_WIN32)
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

class OutOfMemoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (sanitized()) {
            GTEST_SKIP() << "the sanitizer's allocator handles failed allocations itself";
        }
        ASSERT_FALSE(m_folder.Get().empty());
    }

    test::TempFolder m_folder{"moon-memory-test"};
};

TEST_F(OutOfMemoryTest, AFailedAllocationEndsWithOneLineAndRemovesTheTemporary) {
    // Where a death test runs the test again in a new process (Windows), the
    // file is the first run's, named through the environment.
    const char* variable = std::getenv(kFileVariable);
    const bool given = variable != nullptr && variable[0] != '\0';
    const std::string temporary = given ? variable : m_folder.Path("picture.png.tmp");
    if (!given) {
        std::ofstream(temporary) << "half a picture";
        setVariable(kFileVariable, temporary);
    }
    EXPECT_EXIT(
        {
            OutOfMemory::EndProgramWhenExhausted("moon-test");
            ProcessSignals::BeginWrite();
            ProcessSignals::GuardTemporary(temporary);
            std::unique_ptr<char[]> block(new char[g_impossible]);
            block[0] = 1;  // not reached
        },
        ::testing::ExitedWithCode(1), "^moon-test: out of memory\n$");
    EXPECT_FALSE(std::filesystem::exists(temporary));
    setVariable(kFileVariable, "");
}

// Room is asked for before a library that would crash without it; the
// program ends the same way when there is none, and goes on when there is.
TEST_F(OutOfMemoryTest, TooLittleHeadroomEndsTheProgramAsOutOfMemory) {
    EXPECT_EXIT(
        {
            OutOfMemory::EndProgramWhenExhausted("moon-test");
            OutOfMemory::RequireHeadroom(std::size_t{1} << 20);
            std::fputs("room for a MiB\n", stderr);
            OutOfMemory::RequireHeadroom(g_impossible);
        },
        ::testing::ExitedWithCode(1), "^room for a MiB\nmoon-test: out of memory\n$");
}

}  // namespace
}  // namespace moon
