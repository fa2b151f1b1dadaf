// SPDX-License-Identifier: MIT
// The platform record of a GLWindow: OS window, device context, GL context and
// palette, the wishes applied at creation, the make-current discipline, and
// the message handling that turns window messages into handler calls.
#pragma once

#include <cstdint>
#include <string>

#include "framework/platform/Platform.h"

namespace moon {

class GLWindow;

class GLWindowExtra {
public:
    explicit GLWindowExtra(GLWindow* window);
    // Destroys the OS window and GL context if they exist.
    virtual ~GLWindowExtra();

    GLWindowExtra(const GLWindowExtra&) = delete;
    GLWindowExtra& operator=(const GLWindowExtra&) = delete;

    // Opens the OS window with its pixel format and GL context, acquires the
    // context (left current), shows the window and posts the creation message.
    // On failure prints a line and leaves the steps done so far as they are.
    bool Create();
    // Destroy if the OS window exists, then Create.
    bool Recreate();
    // OnDestroy with the context current, then frees context, palette and OS
    // window, keeping the window's last screen position.
    void Destroy();
    // Acquire (true) or release (false) this window's context, nesting: a
    // release restores the pair current before the matching acquire. The first
    // 16 levels are saved; deeper ones are counted and release to none current.
    bool MakeCurrent(bool acquire);
    bool SetupPixelFormat();
    bool SetupPalette();
    // False while OnCreate runs (the first refusal in the process also shows a
    // message).
    bool CanChangePixelFormat();

    platform::LResult HandleMessage(platform::WindowHandle window, std::uint32_t message,
                                    platform::WParam wParam, platform::LParam lParam);
    // The class's window procedure: attaches the record passed at creation and
    // hands every message to its HandleMessage.
    static platform::LResult WindowProc(platform::WindowHandle window, std::uint32_t message,
                                        platform::WParam wParam, platform::LParam lParam);

    // Make-current levels in use (process-wide).
    static int CurrentDepth();

    // m_mode bits that shape the pixel-format descriptor: 4 asks for double
    // buffering, 8 for stereo; a mode without bit 1 is double-buffered too.
    // Bit 2 has no effect on the descriptor.
    static constexpr std::uint32_t kModeBit1 = 1;
    static constexpr std::uint32_t kModeDoubleBuffer = 4;
    static constexpr std::uint32_t kModeStereo = 8;

    GLWindow* m_pWindow;
    platform::WindowHandle m_hWnd;
    platform::DeviceContextHandle m_hDC;
    platform::ContextHandle m_hRC;
    platform::PaletteHandle m_hPalette;
    platform::PaletteHandle m_hOldPalette;
    std::int32_t m_x = platform::CW_USEDEFAULT;  // outer top-left corner, screen pixels
    std::int32_t m_y = platform::CW_USEDEFAULT;
    std::int32_t m_width = 320;  // client pixels
    std::int32_t m_height = 240;
    std::uint32_t m_mode = 7;
    std::int32_t m_colourBits = 24;
    std::int32_t m_depthBits = 32;
    std::int32_t m_stencilBits = 0;
    std::int32_t m_alphaBits = 0;
    std::int32_t m_accumBits = 0;
    std::string m_title = "OpenGL";
    bool m_bVisible = true;
    bool m_bFullScreen = false;
    bool m_bTopMost = false;
    bool m_bNonClient = false;  // pointer last seen over borders or caption
    bool m_bInOnCreate = false;
    std::uint32_t m_listBase = 0;  // first of 255 display lists owned; 0 = none
    platform::CursorHandle m_hCursor;

private:
    void OnSize(platform::LParam lParam);
    void OnPaint(platform::WindowHandle window);
    platform::LResult OnClose(platform::WindowHandle window, platform::WParam wParam,
                              platform::LParam lParam);
    void OnMouseMove(platform::LParam lParam);
    void OnButton(platform::WindowHandle window, std::uint32_t message);
    void OnCreateMessage();
};

}  // namespace moon
