// SPDX-License-Identifier: MIT
#include "tests/framework/FirstFileWindow.h"

#include "framework/platform/Platform.h"

namespace moon::test {

FirstFileWindow::FirstFileWindow(const char* title, int width, int height) {
    SetTitle(title);
    SetSize(width, height);
}

// Escape ends the program, as closing the main window does.
void FirstFileWindow::OnKeyboard(int key, bool down) {
    constexpr int kEscape = 0x1B;  // VK_ESCAPE
    if (down && key == kEscape) {
        platform::Platform::Get().PostQuitMessage(0);
    }
}

}  // namespace moon::test
