// SPDX-License-Identifier: MIT
#include "framework/GLWindow.h"

#include <GL/gl.h>

#include <algorithm>

#include "base/Check.h"
#include "framework/GLAppCore.h"
#include "framework/GLWindowExtra.h"
#include "framework/ShowMessage.h"

namespace moon {

using namespace platform;

GLWindow::GLWindow() {
    GLAppCore* core = GLAppCore::Instance();
    if (!core->RegisterWindowClass()) {
        ReportFailure("Failed to register window class\n");
        core->m_bClassFailed = true;
        return;  // no record: this window is never listed nor created
    }
    extra = std::make_unique<GLWindowExtra>(this);
    MOON_CHECK(extra != nullptr);
    core->AddWindow(extra.get());
}

GLWindow::~GLWindow() {
    if (extra == nullptr) {
        return;
    }
    GLAppCore::Instance()->RemoveWindow(extra.get());
    // The record's destructor runs Destroy; the OnDestroy it calls is this
    // class's own, since the derived part is already gone.
    extra.reset();
}

void GLWindow::OnDisplay() {
    glClear(GL_COLOR_BUFFER_BIT);
    SwapBuffers();
}

void GLWindow::OnResize(int width, int height) {
    glViewport(0, 0, width, height);
}

void GLWindow::SetSize(int width, int height) {
    if (extra == nullptr) {
        return;
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (extra->m_hWnd) {
        Platform& platform = Platform::Get();
        const auto style =
            static_cast<std::uint32_t>(platform.GetWindowLong(extra->m_hWnd, GWL_STYLE));
        Rect rect{0, 0, width, height};
        if (platform.AdjustWindowRect(rect, style, false)) {
            platform.SetWindowPos(extra->m_hWnd, 0, 0, rect.right - rect.left,
                                  rect.bottom - rect.top,
                                  SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    extra->m_width = width;
    extra->m_height = height;
}

void GLWindow::SetPosition(int x, int y) {
    if (extra == nullptr) {
        return;
    }
    if (extra->m_hWnd) {
        Platform::Get().SetWindowPos(extra->m_hWnd, x, y, 0, 0,
                                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    extra->m_x = x;
    extra->m_y = y;
}

bool GLWindow::SetTitle(const char* text) {
    if (extra == nullptr || text == nullptr) {
        return false;
    }
    extra->m_title = text;
    if (extra->m_hWnd) {
        return Platform::Get().SetWindowText(extra->m_hWnd, text);
    }
    return true;
}

int GLWindow::GetWidth() const {
    return extra != nullptr ? extra->m_width : 0;
}

int GLWindow::GetHeight() const {
    return extra != nullptr ? extra->m_height : 0;
}

int GLWindow::GetDepthBits() const {
    if (extra == nullptr) {
        return 0;
    }
    if (!extra->m_hDC) {
        return extra->m_depthBits;
    }
    Platform& platform = Platform::Get();
    PixelFormatDescriptor descriptor;
    const int format = platform.GetPixelFormat(extra->m_hDC);
    if (platform.DescribePixelFormat(extra->m_hDC, format, descriptor) == 0) {
        return 0;
    }
    return descriptor.cDepthBits;
}

bool GLWindow::SetDepthBits(int bits) {
    if (extra == nullptr || bits < 0 || bits > 255) {
        return false;
    }
    if (!extra->m_hDC) {
        extra->m_depthBits = bits;  // a wish, applied when the window is created
        return true;
    }
    const int current = GetDepthBits();
    if (bits == current) {
        return true;
    }
    if (!extra->CanChangePixelFormat()) {
        return false;
    }
    extra->m_depthBits = bits;
    if (extra->Recreate()) {
        return GetDepthBits() >= bits;
    }
    // Go back to the format that worked.
    extra->m_depthBits = current;
    extra->Recreate();
    return false;
}

bool GLWindow::MakeMain() {
    return extra != nullptr && GLAppCore::Instance()->SetMainWindow(extra.get());
}

void GLWindow::SwapBuffers() {
    if (extra != nullptr && extra->m_hDC) {
        Platform::Get().SwapBuffers(extra->m_hDC);
    }
}

void GLWindow::Invalidate() {
    if (extra != nullptr && extra->m_hWnd) {
        Platform::Get().InvalidateRect(extra->m_hWnd, nullptr, false);
    }
}

}  // namespace moon
