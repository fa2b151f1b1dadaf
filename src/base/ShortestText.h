// SPDX-License-Identifier: MIT
// Numbers written as text in their shortest exact form, for every file and
// message the programs write: the command line's values, a mesh's headers
// and OBJ's numbers alike.
#pragma once

#include <charconv>
#include <string>

namespace moon {

// Appends the shortest decimal text that reads back as value, in value's own
// type ("0.5", "-20", "1e-05"; a float as a float); whole numbers as they are.
template <typename T>
void AppendShortest(std::string& out, T value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

template <typename T>
std::string ShortestText(T value) {
    std::string text;
    AppendShortest(text, value);
    return text;
}

}  // namespace moon
