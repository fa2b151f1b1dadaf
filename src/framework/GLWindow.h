// SPDX-License-Identifier: MIT
// Base class of application windows: virtual handlers called by the event
// dispatch, and operations that record their values until the OS window exists
// and apply them once it does.
#pragma once

#include <memory>

namespace moon {

class GLWindowExtra;

class GLWindow {
public:
    // Registers the window class on first use and lists the window with the
    // core; the first window listed is the main window. No OS window yet.
    GLWindow();
    // Leaves the list, then destroys the OS window and GL context if they exist.
    virtual ~GLWindow();

    GLWindow(const GLWindow&) = delete;
    GLWindow& operator=(const GLWindow&) = delete;

    // Handlers. Except for OnKeyboard and OnIdle, each is called with this
    // window's GL context current.
    virtual void OnCreate() {}
    virtual void OnDestroy() {}
    // Default: clears the colour buffer and swaps.
    virtual void OnDisplay();
    // width, height: client pixels. Default: viewport over the whole client area.
    virtual void OnResize(int width, int height);
    // button: 0 left, 1 middle, 2 right.
    virtual void OnMouseButton([[maybe_unused]] int button, [[maybe_unused]] bool down) {}
    // x, y: client pixels, y counted from the bottom row (0) upward.
    virtual void OnMouseMove([[maybe_unused]] int x, [[maybe_unused]] int y) {}
    // key: virtual-key code.
    virtual void OnKeyboard([[maybe_unused]] int key, [[maybe_unused]] bool down) {}
    virtual void OnIdle() {}

    // Client size in pixels; negative values become 0.
    void SetSize(int width, int height);
    // Screen position of the outer top-left corner.
    void SetPosition(int x, int y);
    // False for a null text.
    bool SetTitle(const char* text);
    // The last client size recorded (requested, read at creation, or reported).
    int GetWidth() const;
    int GetHeight() const;
    // The wish before creation, then the depth bits of the format actually set.
    int GetDepthBits() const;
    // 0 to 255. Once the window exists a change re-creates it (never while
    // OnCreate runs); true when the new format has at least the bits asked for.
    bool SetDepthBits(int bits);
    bool MakeMain();
    void SwapBuffers();
    // Asks for a repaint of the whole client area.
    void Invalidate();

    // The platform record; null when the window class could not be registered.
    GLWindowExtra* GetExtra() const { return extra.get(); }

private:
    std::unique_ptr<GLWindowExtra> extra;
};

}  // namespace moon
