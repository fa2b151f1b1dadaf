// SPDX-License-Identifier: MIT
#include "viewer/OffscreenRender.h"

#include <GL/gl.h>

#include <algorithm>

#include "framework/GLAppCore.h"
#include "framework/GLWindowExtra.h"
#include "framework/platform/Platform.h"
#include "io/PngFile.h"
#include "system/ProcessSignals.h"
#include "viewer/MoonApp.h"
#include "viewer/SideBySide.h"

namespace moon {
namespace {

// Handles what window creation queued (each view's OnCreate, the first sizes,
// perhaps a first paint) without the idle pass, which would repaint for ever.
// False when the program was asked to close meanwhile: the window system turns
// the request into the main window's closing, which ends with the quit message.
bool dispatchPending() {
    platform::Platform& platform = platform::Platform::Get();
    platform::Msg msg;
    // A few rounds: handling a message may queue another.
    for (int round = 0; round < 16; ++round) {
        bool any = false;
        while (!ProcessSignals::CloseRequested() && platform.PeekMessage(msg)) {
            if (msg.message == platform::WM_QUIT) {
                return false;
            }
            platform.TranslateMessage(msg);
            platform.DispatchMessage(msg);
            any = true;
        }
        if (!any) {
            break;
        }
    }
    return !ProcessSignals::CloseRequested();
}

}  // namespace

bool OffscreenRender::Draw(int frames, std::string& problem) {
    GLAppCore* core = GLAppCore::Instance();
    if (core->m_windows.size() != 2) {
        problem = "cannot open the windows to render into";
        return false;
    }
    for (GLWindowExtra* record : core->m_windows) {
        if (!record->m_hWnd && !record->Recreate()) {
            problem = "cannot open a window to render into";
            return false;
        }
    }
    if (!dispatchPending()) {
        problem = kInterrupted;
        return false;
    }

    GLWindow& perspective = m_app.GetPerspectiveView();
    GLWindow& plan = m_app.GetPlanView();
    m_width = perspective.GetWidth() + plan.GetWidth();
    m_height = std::max(perspective.GetHeight(), plan.GetHeight());
    m_pixels.assign(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height) * 3, 0);
    return DrawView(perspective, &PerspectiveView::GetCirclingAngle, frames, 0, problem) &&
           DrawView(plan, &PlanView::GetCirclingAngle, frames, perspective.GetWidth(), problem);
}

bool OffscreenRender::DrawView(GLWindow& view, double (*angle)(), int frames, int left,
                               std::string& problem) {
    GLWindowExtra* record = view.GetExtra();
    if (record == nullptr) {
        problem = "cannot open a window to render into";
        return false;
    }
    if (!record->MakeCurrent(true)) {
        record->MakeCurrent(false);  // released either way: the acquire was counted
        problem = "cannot make a view's OpenGL context current";
        return false;
    }
    // Each frame turns the light a degree on from where creation left it
    // (handling the creation messages may already have painted): draw until
    // it stands at the wanted angle, which takes at most a full turn.
    for (int drawn = 0; static_cast<int>(angle()) != frames && drawn <= 360; ++drawn) {
        if (ProcessSignals::CloseRequested()) {
            record->MakeCurrent(false);
            problem = kInterrupted;
            return false;
        }
        view.OnDisplay();
    }
    glFinish();

    const int width = view.GetWidth();
    const int height = view.GetHeight();
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // The frame just swapped to the front.
    glReadBuffer(GL_FRONT);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    const bool read = glGetError() == GL_NO_ERROR;
    record->MakeCurrent(false);
    if (!read) {
        problem = "cannot read a view's pixels back";
        return false;
    }
    SideBySide::Place(rows, width, height, left, m_width, m_pixels);
    return true;
}

bool OffscreenRender::WritePng(const std::string& path, std::string& problem,
                               std::FILE* pStandardOutput) const {
    return PngFile::Write(path, m_width, m_height, m_pixels, problem, pStandardOutput);
}

}  // namespace moon
