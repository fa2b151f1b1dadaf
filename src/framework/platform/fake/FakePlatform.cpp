// SPDX-License-Identifier: MIT
#include "framework/platform/fake/FakePlatform.h"

#include <algorithm>

#include "framework/platform/GLAttributes.h"

namespace moon::platform {
namespace {

constexpr int kFrame = 8;           // pixels on each side
constexpr int kCaptionHeight = 23;  // pixels above the client area, inside the frame
constexpr int kDefaultX = 26;       // where CW_USEDEFAULT places a window
constexpr int kDefaultY = 26;
constexpr int kDefaultWidth = 640;  // outer size CW_USEDEFAULT gives
constexpr int kDefaultHeight = 480;

// A double-buffered RGBA format, 24 colour bits, with this depth.
PixelFormatDescriptor offeredFormat(int depthBits) {
    GLAttributes attributes;
    attributes.depthBits = depthBits;
    return DescriptorFromAttributes(attributes);
}

}  // namespace

FakePlatform::FakePlatform() {
    m_formats = {offeredFormat(16), offeredFormat(24), offeredFormat(32)};
}

// --- Test controls -----------------------------------------------------------

int FakePlatform::CountCalls(const std::string& name) const {
    return static_cast<int>(std::count(m_calls.begin(), m_calls.end(), name));
}

void FakePlatform::InjectFailure(const std::string& operation, int times) {
    m_failures[operation] = times;
}

void FakePlatform::Inject(WindowHandle window, std::uint32_t message, WParam wParam,
                          LParam lParam) {
    QueueInput(window, message, wParam, lParam);
}

void FakePlatform::SetPixelFormats(std::vector<PixelFormatDescriptor> formats) {
    m_formats = std::move(formats);
}

std::vector<WindowHandle> FakePlatform::Windows() const {
    std::vector<WindowHandle> windows;
    for (std::size_t i = 0; i < m_windows.size(); ++i) {
        windows.push_back(WindowHandle{static_cast<std::uint32_t>(i + 1)});
    }
    return windows;
}

const FakePlatform::WindowState& FakePlatform::State(WindowHandle window) const {
    static const WindowState none;
    if (window.id == 0 || window.id > m_windows.size()) {
        return none;
    }
    return m_windows[window.id - 1];
}

bool FakePlatform::ClientRect(WindowHandle window, Rect& rect) const {
    const WindowState& state = State(window);
    if (!state.alive) {
        return false;
    }
    const Rect borders = Borders(state.style);
    rect =
        Rect{0, 0, std::max(0, state.outer.right - state.outer.left - borders.left - borders.right),
             std::max(0, state.outer.bottom - state.outer.top - borders.top - borders.bottom)};
    return true;
}

bool FakePlatform::ContextAlive(ContextHandle context) const {
    return context.id != 0 && context.id <= m_contexts.size() && m_contexts[context.id - 1].alive;
}

bool FakePlatform::PaletteAlive(PaletteHandle palette) const {
    return FindPalette(palette) != nullptr;
}

const LogPalette& FakePlatform::PaletteContents(PaletteHandle palette) const {
    static const LogPalette none;
    const LogPalette* contents = FindPalette(palette);
    return contents != nullptr ? *contents : none;
}

bool FakePlatform::ClassRegistered(const std::string& name) const {
    return FindClass(name.c_str()) != 0;
}

// --- Internals ---------------------------------------------------------------

bool FakePlatform::Admit(const char* operation) {
    m_calls.emplace_back(operation);
    if (m_bLost) {
        return Fail(FailureKind::DisplayLost, "the connection to the display was lost");
    }
    auto failure = m_failures.find(operation);
    if (failure == m_failures.end() || failure->second == 0) {
        return true;
    }
    if (failure->second > 0) {
        --failure->second;
    }
    return Fail(FailureKind::SystemFailure, std::string("injected failure of ") + operation);
}

Rect FakePlatform::Borders(std::uint32_t style) const {
    Rect borders;
    if (IsFramed(style)) {
        borders = Rect{kFrame, kFrame, kFrame, kFrame};
    }
    if (HasCaption(style)) {
        borders.top += kCaptionHeight;
    }
    return borders;
}

Rect FakePlatform::ClientArea(WindowHandle window) {
    Rect client;
    ClientRect(window, client);
    return client;
}

// --- Windows -----------------------------------------------------------------

PlatformBase::WindowRecord* FakePlatform::MakeSystemWindow(const WindowRequest& request,
                                                           WindowHandle window) {
    WindowState state;
    state.alive = true;
    state.className = request.className;
    state.title = request.title;
    int x = request.x;
    int y = request.y;
    int width = request.width;
    int height = request.height;
    if (x == CW_USEDEFAULT) {
        x = kDefaultX;
        y = kDefaultY;
    }
    if (width == CW_USEDEFAULT) {
        width = kDefaultWidth;
        height = kDefaultHeight;
    }
    state.outer = Rect{x, y, x + std::max(0, width), y + std::max(0, height)};
    state.createParam = request.param;
    // Every id PlatformBase gives comes here: the entry is the id's.
    m_windows.resize(window.id);
    m_windows.back() = state;
    return &m_windows.back();
}

void FakePlatform::DestroySystemWindow(WindowHandle window) {
    // The entry stays readable for tests.
    WindowState& state = m_windows[window.id - 1];
    state.alive = false;
    state.visible = false;
}

bool FakePlatform::AdjustWindowRect(Rect& rect, std::uint32_t style, bool menu) {
    if (!Enter("AdjustWindowRect")) {
        return false;
    }
    if (menu) {
        return Fail(FailureKind::Refused, "menus are not supported");
    }
    const Rect borders = Borders(style);
    rect.left -= borders.left;
    rect.top -= borders.top;
    rect.right += borders.right;
    rect.bottom += borders.bottom;
    return true;
}

void FakePlatform::PlaceSystemWindow(WindowHandle window, WindowRecord& record, int x, int y,
                                     int width, int height, std::uint32_t flags) {
    Rect before;
    ClientRect(window, before);
    Rect& outer = static_cast<WindowState&>(record).outer;
    if ((flags & SWP_NOSIZE) == 0) {
        outer.right = outer.left + std::max(0, width);
        outer.bottom = outer.top + std::max(0, height);
    }
    if ((flags & SWP_NOMOVE) == 0) {
        outer = Rect{x, y, x + outer.right - outer.left, y + outer.bottom - outer.top};
    }
    Rect after;
    ClientRect(window, after);
    if (after.right != before.right || after.bottom != before.bottom) {
        // The class asks for a full repaint on every size change.
        AddToUpdate(window, record, nullptr);
        SendSize(window);
    }
}

void FakePlatform::Minimise(WindowHandle window, bool minimised) {
    WindowState* state = static_cast<WindowState*>(Live(window));
    if (state != nullptr) {
        state->minimised = minimised;
        if (minimised) {
            Validate(*state);
        } else {
            AddToUpdate(window, *state, nullptr);
        }
    }
}

// --- Messages and input ---------------------------------------------------------

bool FakePlatform::WaitMessage(std::uint32_t milliseconds) {
    if (!Enter("WaitMessage")) {
        return false;
    }
    if (MessageWaiting()) {
        return true;
    }
    m_waited += milliseconds;
    return false;
}

int FakePlatform::MessageBox(WindowHandle owner, const char* text, const char* caption,
                             std::uint32_t /*type*/) {
    if (!Enter("MessageBox")) {
        return 0;
    }
    if (owner && FindRecord(owner) == nullptr) {
        return 0;
    }
    m_messageBoxes.emplace_back(text != nullptr ? text : "", caption != nullptr ? caption : "");
    return 1;  // IDOK
}

}  // namespace moon::platform
