// SPDX-License-Identifier: MIT
#include "tools/TerrainTool.h"

#include <string>

#include "cli/MoonVersion.h"

namespace moon {
namespace {

constexpr std::string_view kUsage =
    "Usage: moon-terrain COMMAND [OPTIONS]\n"
    "\n"
    "Builds moon's terrain quadtree from a seed, as the viewer does, and prints\n"
    "or exports it.\n"
    "\n"
    "Commands:\n"
    "  dump     print every node of the tree, one line each\n"
    "  export   write the leaf triangles as a PLY, OBJ or glTF mesh, or a heightmap\n"
    "  craters  write the catalogue of the craters --craters lays on the landscape\n"
    "\n"
    "Run \"moon-terrain help COMMAND\" (or \"moon-terrain COMMAND --help\") for a\n"
    "command's options, \"moon-terrain --version\" for the version.\n";

}  // namespace

int ReportFailure(std::FILE* err, std::string_view command, std::string_view problem) {
    std::fprintf(err, "moon-terrain%s%.*s: %.*s\n", command.empty() ? "" : " ",
                 static_cast<int>(command.size()), command.data(), static_cast<int>(problem.size()),
                 problem.data());
    return kExitFailed;
}

// The hint names the command's own help, where the options are listed.
int ReportUsageError(std::FILE* err, std::string_view command, std::string_view problem) {
    std::string line = "moon-terrain";
    if (!command.empty()) {
        line += ' ';
        line += command;
    }
    line += ": ";
    line += problem;
    line += " (see moon-terrain ";
    line += command.empty() ? "" : std::string(command) + " ";
    line += "--help)\n";
    std::fputs(line.c_str(), err);
    return kExitUsage;
}

int PrintText(std::FILE* out, std::FILE* err, std::string_view text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (!written || std::fflush(out) != 0 || std::ferror(out)) {
        return ReportFailure(err, "", "cannot write to standard output");
    }
    return kExitOk;
}

int RunTerrainTool(const std::vector<std::string_view>& args, std::FILE* out, std::FILE* err) {
    if (args.empty()) {
        return ReportUsageError(err, "", "missing command (dump, export or craters)");
    }
    const std::vector<std::string_view> rest(args.begin() + 1, args.end());
    if (args[0] == "help" && args.size() > 1) {
        // "help COMMAND" is "COMMAND --help".
        if (args.size() > 2) {
            return ReportUsageError(
                err, "", "help takes one command, not \"" + std::string(args[2]) + "\" as well");
        }
        if (args[1] == "dump" || args[1] == "export" || args[1] == "craters") {
            return RunTerrainTool({args[1], "--help"}, out, err);
        }
        return ReportUsageError(
            err, "",
            "no help for \"" + std::string(args[1]) + "\" (commands: dump, export, craters)");
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        return PrintText(out, err, kUsage);
    }
    if (args[0] == "--version") {
        return PrintText(out, err, std::string("moon-terrain ") + kMoonVersion + "\n");
    }
    if (args[0] == "dump") {
        return RunDumpCommand(rest, out, err);
    }
    if (args[0] == "export") {
        return RunExportCommand(rest, out, err);
    }
    if (args[0] == "craters") {
        return RunCratersCommand(rest, out, err);
    }
    const std::string what = args[0].starts_with('-') ? "unknown option" : "unknown command";
    return ReportUsageError(err, "", what + " \"" + std::string(args[0]) + "\"");
}

}  // namespace moon
