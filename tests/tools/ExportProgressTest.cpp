// SPDX-License-Identifier: MIT
// The export's progress line: shown only where asked for, redrawn in place,
// cleared at the end.
#include "tools/ExportProgress.h"

#include <gtest/gtest.h>

#include <string>

namespace moon {
namespace {

std::string Captured(std::FILE* file) {
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        text += static_cast<char>(c);
    }
    std::fclose(file);
    return text;
}

TEST(ExportProgressTest, ALineRedrawnInPlaceAndClearedAtTheEnd) {
    std::FILE* err = std::tmpfile();
    ExportProgress progress(err, true, ExportProgress::Clock::duration::zero());
    progress.Update("writing", 0.25);
    progress.Update("writing", 0.25);  // the same line again: nothing new
    progress.Finish();
    EXPECT_EQ(Captured(err), "\rmoon-terrain export: writing 25%\x1b[K\r\x1b[K");
}

TEST(ExportProgressTest, SilentWhenNotATerminalOrNotYetDue) {
    std::FILE* err = std::tmpfile();
    {
        ExportProgress off(err, false, ExportProgress::Clock::duration::zero());
        off.Update("writing", 0.5);
        off.Finish();
        // An hour's delay: a quick export never shows the line.
        ExportProgress quick(err, true, std::chrono::hours(1));
        quick.Update("writing", 0.5);
        quick.Finish();
    }
    EXPECT_EQ(Captured(err), "");
    EXPECT_FALSE(ExportProgress::IsTerminal(std::tmpfile()));
}

}  // namespace
}  // namespace moon
