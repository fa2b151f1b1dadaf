// SPDX-License-Identifier: MIT
// The moon viewer's entry function: reads the command line, builds the one
// application object and runs it, or renders it into a PNG.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ExitCodes.h"
#include "cli/MoonVersion.h"
#include "framework/Main.h"
#include "framework/ShowMessage.h"
#include "framework/platform/OffscreenDrawing.h"
#include "framework/platform/Platform.h"
#include "io/BinaryOutput.h"
#include "system/OutOfMemory.h"
#include "system/ProcessSignals.h"
#include "viewer/DesktopIdentity.h"
#include "viewer/KeptFiles.h"
#include "viewer/MoonApp.h"
#include "viewer/OffscreenRender.h"
#include "viewer/ViewerOptions.h"

namespace {

// The one application object. It is built once the command line has been
// read, so --help, --version and a bad option touch no window system; it is
// destroyed at exit, before the framework core it brought into being.
moon::MoonApp& theApp(const moon::ViewerOptions& options) {
    static moon::MoonApp app(options.seed, options.refine, options.craters, options.regenerations);
    return app;
}

// Every line moon gives about what it could not do: "moon: <problem>" on
// standard error. Returns status.
int reportFailure(std::string_view problem, int status = moon::kExitFailed) {
    std::fprintf(stderr, "moon: %.*s\n", static_cast<int>(problem.size()), problem.data());
    return status;
}

// A help or version text that could not be written (a full disk, a closed
// pipe) is a failure, not a success.
int printed() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        return reportFailure("cannot write to standard output");
    }
    return moon::kExitOk;
}

int render(const moon::ViewerOptions& options) {
    // SIGINT and SIGTERM (Ctrl+C on Windows) ask the render to stop, from the
    // start: it gives the picture up within a frame and writes nothing.
    moon::ProcessSignals::CatchCloseRequests();
    // Drawing needs no display and shows no window. Asked before the
    // application opens the window system.
    moon::platform::UseOffscreenDrawing();
    moon::MoonApp& app = theApp(options);
    if (options.verbose) {
        std::fprintf(stderr, "moon: seed %u\n", app.GetSeed());
    }
    const bool toStandardOutput = options.renderPath == "-";
    if (toStandardOutput) {
        moon::SetBinaryOutput(stdout);
    }
    moon::OffscreenRender picture(app);
    std::string problem;
    if (!picture.Draw(options.frames, problem) ||
        !picture.WritePng(options.renderPath, problem, stdout)) {
        return reportFailure(problem);
    }
    if (options.verbose) {
        std::fprintf(stderr, "moon: OpenGL renderer: %s\n", app.DescribeRenderer().c_str());
        std::fprintf(stderr, "moon: wrote %s (%d x %d)\n",
                     toStandardOutput ? "standard output" : options.renderPath.c_str(),
                     picture.GetWidth(), picture.GetHeight());
    }
    return moon::kExitOk;
}

// After the framework's own lines (on standard output, where a desktop
// launcher shows nothing): why no window opened, and what to do, on
// standard error.
void explainNoWindow() {
    const moon::platform::Failure& failure = moon::LastReportedFailure();
    std::string line = "no window could be opened";
    if (!failure.text.empty()) {
        line += ": " + failure.text;
    }
    switch (failure.kind) {
        case moon::platform::FailureKind::NoDisplay:
            line +=
                " (neither DISPLAY nor WAYLAND_DISPLAY names one); start moon on a desktop, or "
                "use moon --render FILE.png, which needs no display";
            break;
        case moon::platform::FailureKind::DisplayRefused:
            line +=
                "; check that the display is running and that this user may use it, or use "
                "moon --render FILE.png, which needs no display";
            break;
        default:
            break;
    }
    reportFailure(line);
}

// Runs the framework's loop until the perspective view is closed.
int runWindows(int argc, char** argv) {
    const int status = moon::AppMain(argc, argv);
    if (status != moon::kExitOk) {
        explainNoWindow();
    }
    return status;
}

// Before the windows exist: their class and icon let a desktop show them
// under moon's entry. Without them moon still runs, as an unnamed program.
void introduceToDesktop() {
    std::string problem;
    if (!moon::DesktopIdentity::Apply(moon::platform::Platform::Get(), problem)) {
        reportFailure(problem);
    }
}

// The two windows until the perspective view is closed.
int runViewer(const moon::ViewerOptions& options, int argc, char** argv) {
    introduceToDesktop();
    moon::MoonApp& app = theApp(options);
    app.SetSaveFolder(options.saveDir.value_or(moon::KeptFiles::DefaultFolder()));
    if (options.verbose) {
        std::fprintf(stderr, "moon: seed %u\n", app.GetSeed());
        app.SetVerbose(true);
    }
    const int status = runWindows(argc, argv);
    // A file being saved is finished before the program ends.
    app.FinishSaves();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    moon::OutOfMemory::EndProgramWhenExhausted("moon");
    if (argc <= 1) {
        // The landscape from the clock, two windows, until the perspective
        // view is closed.
        return runViewer(moon::ViewerOptions(), argc, argv);
    }
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    moon::ViewerOptions options;
    std::string problem;
    if (!options.Parse(args, problem)) {
        return reportFailure(problem + " (see moon --help)", moon::kExitUsage);
    }
    switch (options.action) {
        case moon::ViewerOptions::Action::Help:
            std::fputs(moon::ViewerOptions::Usage().c_str(), stdout);
            return printed();
        case moon::ViewerOptions::Action::Version:
            std::printf("moon %s\n", moon::kMoonVersion);
            return printed();
        case moon::ViewerOptions::Action::Render:
            return render(options);
        case moon::ViewerOptions::Action::Run:
            break;
    }
    return runViewer(options, argc, argv);
}
