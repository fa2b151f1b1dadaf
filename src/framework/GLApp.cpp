// SPDX-License-Identifier: MIT
#include "framework/GLApp.h"

#include <cstdio>
#include <cstdlib>

#include "framework/GLAppCore.h"

namespace moon {

GLApp::GLApp() {
    GLAppCore* core = GLAppCore::Instance();
    if (core->m_pApp != nullptr) {
        std::fputs("Error: more than one application instance defined!\n", stdout);
        // The normal exit path: exit-time destructors registered so far run.
        std::exit(1);
    }
    core->m_pApp = this;
}

GLApp::~GLApp() {
    GLAppCore* core = GLAppCore::Instance();
    if (core->m_pApp == this) {
        core->m_pApp = nullptr;
    }
}

}  // namespace moon
