// SPDX-License-Identifier: MIT
#include "RecordingGL.h"

#include <charconv>
#include <cstring>

namespace moon::test {
namespace {

RecordingGL::Mode g_mode = RecordingGL::Mode::Record;
std::vector<GLCall> g_calls;
std::uint64_t g_count = 0;

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

void RecordingGL::Add(const char* name, std::initializer_list<double> args) {
    ++g_count;
    if (g_mode != Mode::Record) {
        return;
    }
    g_calls.push_back(Call(name, args));
}

}  // namespace moon::test
