// SPDX-License-Identifier: MIT
// The smallest program on the framework: an application object with one
// default window (320 x 240 client pixels, titled "OpenGL"), which clears and
// swaps on every paint. Closing the window ends the program with status 0.
#include "framework/GLApp.h"
#include "framework/GLWindow.h"
#include "framework/Main.h"

namespace {

class ExampleApp : public moon::GLApp {
private:
    moon::GLWindow m_window;
};

ExampleApp g_app;

}  // namespace

int main(int argc, char** argv) {
    return moon::AppMain(argc, argv);
}
