// SPDX-License-Identifier: MIT
// What running out of memory does to either program: it ends, with one line
// on standard error ("moon: out of memory") and status 1, wherever it was.
// Nothing half-written stays behind: the file being written (AtomicFile) has
// not replaced its target yet, and its temporary file is removed first.
//
// The program ends on the spot rather than unwinding: an allocation may fail
// inside a call from the window system or the OpenGL driver, whose frames an
// exception must not cross, and nothing on the way out could be trusted to
// need no memory of its own.
#pragma once

#include <cstddef>

namespace moon {

class OutOfMemory {
public:
    // Once, at the start of main. The name is the program's, as its other
    // lines on standard error begin.
    static void EndProgramWhenExhausted(const char* program);
    // Ends the program as above unless bytes more of address space could be
    // had now. For calls into libraries that crash where memory runs out
    // instead of failing (Mesa, making an OpenGL context); when
    // EndProgramWhenExhausted was not called, does nothing.
    static void RequireHeadroom(std::size_t bytes);
};

}  // namespace moon
