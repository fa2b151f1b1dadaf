// SPDX-License-Identifier: MIT
// A stand-in for libGL and libGLU in test and benchmark executables: every
// OpenGL/GLU entry point the program calls is defined here and records its
// name and arguments, so tests can assert on the exact call stream.
//
// Arguments are widened to double (exact for every GLenum, GLint, GLfloat and
// GLdouble). Vector arguments (glLightfv, glMaterialfv, ...) record their
// enums followed by the four floats they point to. Pointers to GLU quadrics
// are recorded as the quadric's serial number (1, 2, ...).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace moon::test {

struct GLCall {
    const char* name = "";
    std::array<double, 6> args{};
    int argc = 0;

    double operator[](int i) const { return args[static_cast<std::size_t>(i)]; }
    std::string ToString() const;  // "glVertex3d(1, 2, 3)"
    bool operator==(const GLCall& other) const;
};

// The call a test expects: Call("glVertex3d", {1, 2, 3}).
GLCall Call(const char* name, std::initializer_list<double> args);

class RecordingGL {
public:
    enum class Mode {
        Record,  // store every call (the default)
        Count,   // count calls only, store nothing: for long runs and benchmarks
    };

    static void SetMode(Mode mode);
    static Mode GetMode();
    // Forgets the stored calls and zeroes the count.
    static void Reset();
    static const std::vector<GLCall>& Calls();
    // Calls made since the last Reset, in either mode.
    static std::uint64_t Count();
    // The stored calls' names in order, e.g. {"glBegin", "glColor3f", ...}.
    static std::vector<std::string> Names();
    // Stored calls with the given name, in order.
    static std::vector<GLCall> CallsNamed(const std::string& name);
    // The whole stream, one call per line (for failure messages).
    static std::string Dump();

    // Used by the entry points.
    static void Add(const char* name, std::initializer_list<double> args);
};

}  // namespace moon::test
