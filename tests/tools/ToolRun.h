// SPDX-License-Identifier: MIT
// Runs moon-terrain's commands in-process and captures what they write.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "tools/TerrainTool.h"

namespace moon::test {

struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

// The whole of a temporary file, read from its start; closes it.
inline std::string ReadAll(std::FILE* file) {
    std::rewind(file);
    std::string text;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        text.append(buffer, n);
    }
    std::fclose(file);
    return text;
}

inline ToolResult RunTool(const std::vector<std::string>& args) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const std::vector<std::string_view> views(args.begin(), args.end());
    ToolResult result;
    result.status = RunTerrainTool(views, out, err);
    result.out = ReadAll(out);
    result.err = ReadAll(err);
    return result;
}

}  // namespace moon::test
