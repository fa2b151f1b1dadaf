// SPDX-License-Identifier: MIT
// A program that defines two application objects. The second one's
// construction must end the process with status 1, before the entry function
// runs, after destroying what was constructed so far.
#include <cstdio>
#include <memory>

#include "framework/GLApp.h"
#include "framework/GLWindow.h"
#include "framework/Main.h"
#include "framework/platform/fake/FakePlatform.h"

namespace {

struct UseFakePlatform {
    UseFakePlatform() {
        moon::platform::Platform::Use(std::make_unique<moon::platform::FakePlatform>());
    }
} useFakePlatform;

class FirstApp : public moon::GLApp {
public:
    ~FirstApp() override { std::fputs("first application destroyed\n", stdout); }

private:
    moon::GLWindow m_window;
};

class SecondApp : public moon::GLApp {};

FirstApp g_first;
SecondApp g_second;

}  // namespace

int main(int argc, char** argv) {
    std::fputs("entry function reached\n", stdout);
    return moon::AppMain(argc, argv);
}
