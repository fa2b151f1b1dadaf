// SPDX-License-Identifier: MIT
#include "tests/support/RecordingGL.h"

#include <GL/gl.h>

#include <charconv>
#include <cstdio>
#include <cstring>

namespace moon::test {
namespace {

RecordingGL::Mode g_mode = RecordingGL::Mode::Record;
std::vector<GLCall> g_calls;
std::uint64_t g_count = 0;

// The vertices of each recorded array draw, by the call's position in g_calls.
struct ArrayDraw {
    std::size_t call = 0;
    int primitive = 0;
    std::vector<RecordingGL::ArrayVertex> vertices;
};
std::vector<ArrayDraw> g_arrayDraws;

std::array<float, 3> floats(const GLCall& call) {
    return {static_cast<float>(call[0]), static_cast<float>(call[1]), static_cast<float>(call[2])};
}

// Adds the vertices of one primitive run, turning a line loop into lines.
void addRun(std::vector<DrawnVertex>& out, int primitive, const std::vector<DrawnVertex>& run) {
    if (primitive != GL_LINE_LOOP) {
        for (DrawnVertex vertex : run) {
            vertex.primitive = primitive;
            out.push_back(vertex);
        }
        return;
    }
    for (std::size_t i = 0; i < run.size(); ++i) {
        DrawnVertex from = run[i];
        DrawnVertex to = run[(i + 1) % run.size()];
        from.primitive = to.primitive = GL_LINES;
        out.push_back(from);
        out.push_back(to);
    }
}

}  // namespace

std::string GLCall::ToString() const {
    std::string text = name;
    text += '(';
    for (int i = 0; i < argc; ++i) {
        char buffer[32];
        auto result =
            std::to_chars(buffer, buffer + sizeof buffer, args[static_cast<std::size_t>(i)]);
        if (i > 0) {
            text += ", ";
        }
        text.append(buffer, result.ptr);
    }
    text += ')';
    return text;
}

bool GLCall::operator==(const GLCall& other) const {
    if (std::strcmp(name, other.name) != 0 || argc != other.argc) {
        return false;
    }
    for (int i = 0; i < argc; ++i) {
        if (args[static_cast<std::size_t>(i)] != other.args[static_cast<std::size_t>(i)]) {
            return false;
        }
    }
    return true;
}

std::string DrawnVertex::ToString() const {
    char text[256];
    std::snprintf(text, sizeof text, "%d (%.9g %.9g %.9g) n(%.9g %.9g %.9g) c(%.9g %.9g %.9g)",
                  primitive, position[0], position[1], position[2], normal[0], normal[1], normal[2],
                  colour[0], colour[1], colour[2]);
    return text;
}

GLCall Call(const char* name, std::initializer_list<double> args) {
    GLCall call;
    call.name = name;
    for (double value : args) {
        call.args[static_cast<std::size_t>(call.argc++)] = value;
    }
    return call;
}

void RecordingGL::SetMode(Mode mode) {
    g_mode = mode;
}
RecordingGL::Mode RecordingGL::GetMode() {
    return g_mode;
}

void RecordingGL::Reset() {
    g_calls.clear();
    g_arrayDraws.clear();
    g_count = 0;
}

const std::vector<GLCall>& RecordingGL::Calls() {
    return g_calls;
}
std::uint64_t RecordingGL::Count() {
    return g_count;
}

std::vector<std::string> RecordingGL::Names() {
    std::vector<std::string> names;
    names.reserve(g_calls.size());
    for (const GLCall& call : g_calls) {
        names.emplace_back(call.name);
    }
    return names;
}

std::vector<GLCall> RecordingGL::CallsNamed(const std::string& name) {
    std::vector<GLCall> found;
    for (const GLCall& call : g_calls) {
        if (name == call.name) {
            found.push_back(call);
        }
    }
    return found;
}

std::string RecordingGL::Dump() {
    std::string text;
    for (const GLCall& call : g_calls) {
        text += call.ToString();
        text += '\n';
    }
    return text;
}

std::vector<DrawnVertex> RecordingGL::DrawnVertices() {
    std::vector<DrawnVertex> out;
    std::array<float, 3> normal = {0.0f, 0.0f, 1.0f};
    std::array<float, 3> colour = {1.0f, 1.0f, 1.0f};
    int primitive = -1;  // inside glBegin/glEnd when not -1
    std::vector<DrawnVertex> run;
    std::size_t nextDraw = 0;
    for (std::size_t i = 0; i < g_calls.size(); ++i) {
        const GLCall& call = g_calls[i];
        const std::string name = call.name;
        if (name == "glBegin") {
            primitive = static_cast<int>(call[0]);
            run.clear();
        } else if (name == "glEnd") {
            addRun(out, primitive, run);
            primitive = -1;
        } else if (name == "glNormal3d" || name == "glNormal3f") {
            normal = floats(call);
        } else if (name == "glColor3f" || name == "glColor3d") {
            colour = floats(call);
        } else if (name == "glVertex3d" || name == "glVertex3f") {
            DrawnVertex vertex;
            vertex.position = floats(call);
            vertex.normal = normal;
            vertex.colour = colour;
            run.push_back(vertex);
        } else if (nextDraw < g_arrayDraws.size() && g_arrayDraws[nextDraw].call == i) {
            const ArrayDraw& draw = g_arrayDraws[nextDraw++];
            run.clear();
            for (const ArrayVertex& element : draw.vertices) {
                DrawnVertex vertex;
                vertex.position = element.position;
                vertex.normal = element.hasNormal ? element.normal : normal;
                vertex.colour = element.hasColour ? element.colour : colour;
                run.push_back(vertex);
            }
            addRun(out, draw.primitive, run);
        }
    }
    return out;
}

void RecordingGL::AddArrayDraw(const char* name, std::initializer_list<double> args, int primitive,
                               std::vector<ArrayVertex> vertices) {
    Add(name, args);
    if (g_mode == Mode::Record) {
        g_arrayDraws.push_back(ArrayDraw{g_calls.size() - 1, primitive, std::move(vertices)});
    }
}

void RecordingGL::Add(const char* name, std::initializer_list<double> args) {
    ++g_count;
    if (g_mode != Mode::Record) {
        return;
    }
    g_calls.push_back(Call(name, args));
}

}  // namespace moon::test
