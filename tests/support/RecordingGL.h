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

// One vertex as OpenGL takes it: float attributes, the normal and colour
// current for it (set by its own array or by the last glNormal/glColor call).
struct DrawnVertex {
    int primitive = 0;  // GL_TRIANGLES, GL_LINES or GL_POINTS; line loops become lines
    std::array<float, 3> position{};
    std::array<float, 3> normal{};
    std::array<float, 3> colour{};
    bool operator==(const DrawnVertex&) const = default;
    std::string ToString() const;
};

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

    // The stored stream replayed from OpenGL's initial normal (0, 0, 1) and
    // colour (1, 1, 1): every vertex of every begin/end pair and array draw,
    // in order. A line loop of n vertices gives n lines, each from its start.
    static std::vector<DrawnVertex> DrawnVertices();

    // Used by the entry points.
    static void Add(const char* name, std::initializer_list<double> args);
    // An array draw: its call, and (in Record mode) the vertices it hands on,
    // each with a normal only when the normal array is enabled.
    struct ArrayVertex {
        std::array<float, 3> position{};
        bool hasNormal = false;
        std::array<float, 3> normal{};
        bool hasColour = false;
        std::array<float, 3> colour{};
    };
    static void AddArrayDraw(const char* name, std::initializer_list<double> args, int primitive,
                             std::vector<ArrayVertex> vertices);
};

}  // namespace moon::test
