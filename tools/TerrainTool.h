// SPDX-License-Identifier: MIT
// moon-terrain, the command-line companion: builds the terrain quadtree from a
// seed and prints it (dump) or writes its leaf triangles as a mesh (export).
// Exit status: 0 done, 1 output could not be written, 2 bad command line (one
// line on err, nothing on out).
#pragma once

#include <cstdio>
#include <string_view>
#include <vector>

#include "cli/ExitCodes.h"

namespace moon {

// args: the arguments after the program name.
int RunTerrainTool(const std::vector<std::string_view>& args, std::FILE* out, std::FILE* err);

// The commands; args follow the command's name.
int RunDumpCommand(const std::vector<std::string_view>& args, std::FILE* out, std::FILE* err);
int RunExportCommand(const std::vector<std::string_view>& args, std::FILE* out, std::FILE* err);
int RunCratersCommand(const std::vector<std::string_view>& args, std::FILE* out, std::FILE* err);

// "moon-terrain <command>: <problem> (see ...)" on err; returns kExitUsage.
int ReportUsageError(std::FILE* err, std::string_view command, std::string_view problem);

// "moon-terrain <command>: <problem>" on err (with no command,
// "moon-terrain: <problem>"), for work that could not be done; returns
// kExitFailed. Every failure line of moon-terrain goes through here.
int ReportFailure(std::FILE* err, std::string_view command, std::string_view problem);

// Writes a help or version text to out: kExitOk, or kExitFailed with a line on
// err when it could not be written all (a full disk, a closed pipe).
int PrintText(std::FILE* out, std::FILE* err, std::string_view text);

}  // namespace moon
