// SPDX-License-Identifier: MIT
// The window of the first-file program (FirstFileApp.cpp), in a file of its
// own as a program's parts usually are.
#pragma once

#include "framework/GLWindow.h"

namespace moon::test {

class FirstFileWindow : public GLWindow {
public:
    // The title and client size are only recorded until the OS window exists.
    FirstFileWindow(const char* title, int width, int height);

    void OnKeyboard(int key, bool down) override;
};

}  // namespace moon::test
