// SPDX-License-Identifier: MIT
#include "framework/ShowMessage.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>

#include "framework/GLAppCore.h"

namespace moon {

namespace {

constexpr int kBufferSize = 1024;  // characters, terminator included

// Made on first use: a window's constructor reports its failure while the
// program's application object is built, which may be before this file's own
// objects are (the order of files is the linker's).
platform::Failure& lastFailure() {
    static platform::Failure failure;
    return failure;
}

}  // namespace

void ShowMessage(const char* format, ...) {
    auto buffer = std::make_unique<char[]>(kBufferSize);
    std::va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer.get(), kBufferSize, format, args);
    va_end(args);
    // A text that does not fit (beyond 1024 characters) is not shown at all; one
    // of exactly 1024 loses its last character to the terminator, as vsnprintf
    // has already done.
    if (length < 0 || length > kBufferSize) {
        return;
    }
    if (GLAppCore::Instance()->m_bConsole) {
        std::fputs(buffer.get(), stdout);
    } else {
        platform::Platform::Get().MessageBox(platform::WindowHandle{}, buffer.get(), "Message",
                                             platform::MB_OK);
    }
}

void ReportFailure(const char* line) {
    std::fputs(line, stdout);
    platform::Failure& failure = lastFailure();
    failure = platform::Platform::Get().LastFailure();
    if (!failure.text.empty()) {
        std::printf("%s\n", failure.text.c_str());
    }
    std::fflush(stdout);
}

const platform::Failure& LastReportedFailure() {
    return lastFailure();
}

}  // namespace moon
