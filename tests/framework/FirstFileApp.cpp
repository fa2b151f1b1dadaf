// SPDX-License-Identifier: MIT
// A two-window program written on the framework alone, the way its users
// write one: the application object is defined in the program's first source
// file, which the link puts before the framework's own files, so on Linux its
// constructor runs before any of the framework's file-scope objects could have
// been initialised (Windows runs them in the other order; the sanitizer build
// checks that no initialiser reads another file's objects at all).
//
// Run where no window can be opened (no display; with
// MOON_REFUSE_WINDOW_CLASS, the fake window system refusing the class), its
// windows report why from the application's constructor, main repeats the
// reason, and the program ends with status 1.
#include <cstdio>
#include <memory>

#include "framework/GLApp.h"
#include "framework/Main.h"
#include "framework/ShowMessage.h"
#include "tests/framework/FirstFileWindow.h"

#ifdef MOON_REFUSE_WINDOW_CLASS
#include "framework/platform/fake/FakePlatform.h"
#endif

namespace {

#ifdef MOON_REFUSE_WINDOW_CLASS
// Defined before the application object, so constructed before it.
struct RefuseWindowClass {
    RefuseWindowClass() {
        auto fake = std::make_unique<moon::platform::FakePlatform>();
        fake->InjectFailure("RegisterClass");
        moon::platform::Platform::Use(std::move(fake));
    }
} g_refuseWindowClass;
#endif

class TwoWindowApp : public moon::GLApp {
public:
    TwoWindowApp() { m_second.MakeMain(); }

private:
    moon::test::FirstFileWindow m_first{"First", 320, 240};
    moon::test::FirstFileWindow m_second{"Second", 200, 150};
};

TwoWindowApp g_app;

}  // namespace

int main(int argc, char** argv) {
    const int status = moon::AppMain(argc, argv);
    // As moon does, after the framework's lines: the reason recorded by the
    // application's constructor must have outlived the initialisers that ran
    // after it.
    std::printf("no window could be opened: %s\n", moon::LastReportedFailure().text.c_str());
    return status;
}
