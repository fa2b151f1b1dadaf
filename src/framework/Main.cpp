// SPDX-License-Identifier: MIT
#include "framework/Main.h"

#include "framework/GLAppCore.h"

namespace moon {

int AppMain(int argc, char** argv) {
    GLAppCore* core = GLAppCore::Instance();
    core->m_bConsole = false;
    return core->Run(argc, argv);
}

}  // namespace moon
