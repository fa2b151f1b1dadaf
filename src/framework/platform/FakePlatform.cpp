#include "framework/platform/FakePlatform.h"

#include <algorithm>

namespace moon::platform {
namespace {

constexpr std::uint32_t kCaption = 0x00C00000;  // WS_CAPTION
constexpr std::uint32_t kThickFrame = 0x00040000;
constexpr int kFrame = 8;           // pixels on each side
constexpr int kCaptionHeight = 23;  // pixels above the client area, inside the frame
constexpr int kDefaultX = 26;       // where CW_USEDEFAULT places a window
constexpr int kDefaultY = 26;
constexpr int kDefaultWidth = 640;  // outer size CW_USEDEFAULT gives
constexpr int kDefaultHeight = 480;

PixelFormatDescriptor format(std::uint8_t depth) {
    PixelFormatDescriptor pfd;
    pfd.nSize = 40;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = depth;
    return pfd;
}

bool empty(const Rect& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

}  // namespace

FakePlatform::FakePlatform() {
    m_formats = {format(16), format(24), format(32)};
    PaletteState stock;
    stock.alive = true;
    m_palettes.push_back(stock);
}

// --- Test controls -----------------------------------------------------------

int FakePlatform::CountCalls(const std::string& name) const {
    return static_cast<int>(std::count(m_calls.begin(), m_calls.end(), name));
}

void FakePlatform::Fail(const std::string& operation, int times) {
    m_failures[operation] = times;
}

void FakePlatform::Inject(WindowHandle window, std::uint32_t message, WParam wParam,
                          LParam lParam) {
    m_input.push_back(Msg{window, message, wParam, lParam});
}

LResult FakePlatform::Send(WindowHandle window, std::uint32_t message, WParam wParam,
                           LParam lParam) {
    WindowState* state = Live(window);
    if (state == nullptr) {
        return 0;
    }
    // Never null: UnregisterClass refuses while windows of the class live.
    const ClassState* windowClass = FindClass(state->className);
    return windowClass->windowClass.lpfnWndProc(window, message, wParam, lParam);
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
    return palette.id != 0 && palette.id <= m_palettes.size() && m_palettes[palette.id - 1].alive;
}

const LogPalette& FakePlatform::PaletteContents(PaletteHandle palette) const {
    static const LogPalette none;
    if (palette.id == 0 || palette.id > m_palettes.size()) {
        return none;
    }
    return m_palettes[palette.id - 1].contents;
}

bool FakePlatform::ClassRegistered(const std::string& name) const {
    return FindClass(name) != nullptr;
}

// --- Internals ---------------------------------------------------------------

bool FakePlatform::Enter(const char* operation) {
    m_calls.emplace_back(operation);
    if (m_bLost) {
        m_lastError = "the connection to the display was lost";
        return false;
    }
    auto failure = m_failures.find(operation);
    if (failure == m_failures.end() || failure->second == 0) {
        return true;
    }
    if (failure->second > 0) {
        --failure->second;
    }
    m_lastError = std::string("injected failure of ") + operation;
    return false;
}

bool FakePlatform::Failed(const std::string& reason) {
    m_lastError = reason;
    return false;
}

FakePlatform::WindowState* FakePlatform::Live(WindowHandle window) {
    if (window.id == 0 || window.id > m_windows.size() || !m_windows[window.id - 1].alive) {
        Failed("invalid window handle");
        return nullptr;
    }
    return &m_windows[window.id - 1];
}

// A device context is the window's own: same table entry.
FakePlatform::WindowState* FakePlatform::LiveDC(DeviceContextHandle dc) {
    if (dc.id == 0 || dc.id > m_windows.size() || !m_windows[dc.id - 1].alive) {
        Failed("invalid device context");
        return nullptr;
    }
    return &m_windows[dc.id - 1];
}

Rect FakePlatform::Borders(std::uint32_t style) const {
    Rect borders;
    if ((style & kCaption) == kCaption || (style & kThickFrame) != 0) {
        borders = Rect{kFrame, kFrame, kFrame, kFrame};
    }
    if ((style & kCaption) == kCaption) {
        borders.top += kCaptionHeight;
    }
    return borders;
}

// Sends WM_SIZE with the client size, as the window system does on creation,
// the first show and every resize.
void FakePlatform::SendSize(WindowHandle window) {
    Rect client;
    ClientRect(window, client);
    Send(window, WM_SIZE, 0, MakeLParam(client.right, client.bottom));
}

void FakePlatform::Invalidate(WindowHandle window, const Rect* rect) {
    WindowState& state = m_windows[window.id - 1];
    Rect client;
    ClientRect(window, client);
    Rect added = rect != nullptr ? *rect : client;
    added.left = std::max(added.left, 0);
    added.top = std::max(added.top, 0);
    added.right = std::min(added.right, client.right);
    added.bottom = std::min(added.bottom, client.bottom);
    if (empty(added)) {
        return;
    }
    if (!state.hasUpdate) {
        state.update = added;
        state.hasUpdate = true;
        return;
    }
    Rect& update = state.update;
    update = Rect{std::min(update.left, added.left), std::min(update.top, added.top),
                  std::max(update.right, added.right), std::max(update.bottom, added.bottom)};
}

void FakePlatform::Destroy(WindowHandle window) {
    // Children go first, as with any window system that nests windows.
    for (std::size_t i = 0; i < m_windows.size(); ++i) {
        if (m_windows[i].alive && m_windows[i].parent == window) {
            Destroy(WindowHandle{static_cast<std::uint32_t>(i + 1)});
        }
    }
    Send(window, WM_DESTROY);
    Send(window, WM_NCDESTROY);
    WindowState& state = m_windows[window.id - 1];
    state.alive = false;
    state.visible = false;
    if (m_capture == window) {
        m_capture = {};
    }
    auto forWindow = [window](const Msg& msg) { return msg.hwnd == window; };
    m_posted.erase(std::remove_if(m_posted.begin(), m_posted.end(), forWindow), m_posted.end());
    m_input.erase(std::remove_if(m_input.begin(), m_input.end(), forWindow), m_input.end());
}

const FakePlatform::ClassState* FakePlatform::FindClass(const std::string& name) const {
    for (const ClassState& windowClass : m_classes) {
        if (windowClass.name == name) {
            return &windowClass;
        }
    }
    return nullptr;
}

// --- Module and classes ----------------------------------------------------

ModuleHandle FakePlatform::GetModuleHandle() {
    Enter("GetModuleHandle");
    return ModuleHandle{1};
}

Atom FakePlatform::RegisterClass(const WndClass& windowClass) {
    if (!Enter("RegisterClass")) {
        return 0;
    }
    if (windowClass.lpszClassName == nullptr || windowClass.lpfnWndProc == nullptr) {
        Failed("class without name or window procedure");
        return 0;
    }
    if (FindClass(windowClass.lpszClassName) != nullptr) {
        Failed("class already registered");
        return 0;
    }
    ClassState state{m_nextAtom++, windowClass, windowClass.lpszClassName};
    state.windowClass.lpszClassName = nullptr;  // the caller's text may not outlive the call
    state.windowClass.lpszMenuName = nullptr;
    m_classes.push_back(state);
    return state.atom;
}

bool FakePlatform::UnregisterClass(Atom atom, ModuleHandle instance) {
    if (!Enter("UnregisterClass")) {
        return false;
    }
    (void)instance;
    auto found = std::find_if(m_classes.begin(), m_classes.end(),
                              [atom](const ClassState& c) { return c.atom == atom; });
    if (found == m_classes.end()) {
        return Failed("no class with this atom");
    }
    for (const WindowState& window : m_windows) {
        if (window.alive && window.className == found->name) {
            return Failed("windows of the class still exist");
        }
    }
    m_classes.erase(found);
    return true;
}

IconHandle FakePlatform::LoadIcon(ModuleHandle instance, int id) {
    if (!Enter("LoadIcon")) {
        return {};
    }
    if (instance || id != IDI_APPLICATION) {
        Failed("no such icon");
        return {};
    }
    return IconHandle{1};
}

CursorHandle FakePlatform::LoadCursor(ModuleHandle instance, int id) {
    if (!Enter("LoadCursor")) {
        return {};
    }
    if (instance || id != IDC_ARROW) {
        Failed("no such cursor");
        return {};
    }
    return CursorHandle{1};
}

// --- Windows -----------------------------------------------------------------

WindowHandle FakePlatform::CreateWindowEx(std::uint32_t exStyle, const char* className,
                                          const char* windowName, std::uint32_t style, int x, int y,
                                          int width, int height, WindowHandle parent,
                                          ModuleHandle instance, void* param) {
    if (!Enter("CreateWindowEx")) {
        return {};
    }
    (void)instance;
    if (className == nullptr || FindClass(className) == nullptr) {
        Failed("unknown window class");
        return {};
    }
    if (parent && Live(parent) == nullptr) {
        return {};
    }
    WindowState state;
    state.alive = true;
    state.className = className;
    state.title = windowName != nullptr ? windowName : "";
    state.exStyle = exStyle;
    state.style = style & ~WS_VISIBLE;
    state.parent = parent;
    if (x == CW_USEDEFAULT) {
        x = kDefaultX;
        y = kDefaultY;
    }
    if (width == CW_USEDEFAULT) {
        width = kDefaultWidth;
        height = kDefaultHeight;
    }
    state.outer = Rect{x, y, x + std::max(0, width), y + std::max(0, height)};
    state.selectedPalette = kStockPalette;
    state.createParam = param;
    m_windows.push_back(state);
    const WindowHandle window{static_cast<std::uint32_t>(m_windows.size())};
    m_windows.back().dc = DeviceContextHandle{window.id};

    // A new window needs painting in full.
    Invalidate(window, nullptr);
    CreateStruct create;
    create.lpCreateParams = param;
    if (Send(window, WM_NCCREATE, 0, reinterpret_cast<LParam>(&create)) == 0) {
        Send(window, WM_NCDESTROY);
        m_windows[window.id - 1].alive = false;
        Failed("WM_NCCREATE refused the window");
        return {};
    }
    Send(window, WM_CREATE, 0, reinterpret_cast<LParam>(&create));
    SendSize(window);
    if ((style & WS_VISIBLE) != 0 && Live(window) != nullptr) {
        m_windows[window.id - 1].visible = true;
        m_windows[window.id - 1].shownOnce = true;
    }
    return window;
}

bool FakePlatform::DestroyWindow(WindowHandle window) {
    if (!Enter("DestroyWindow")) {
        return false;
    }
    if (Live(window) == nullptr) {
        return false;
    }
    Destroy(window);
    return true;
}

bool FakePlatform::ShowWindow(WindowHandle window, int command) {
    if (!Enter("ShowWindow")) {
        return false;
    }
    WindowState* state = Live(window);
    if (state == nullptr) {
        return false;
    }
    if (command == SW_HIDE) {
        state->visible = false;
        return true;
    }
    if (command != SW_SHOW) {
        return Failed("unsupported show command");
    }
    const bool first = !state->shownOnce;
    state->visible = true;
    state->shownOnce = true;
    Invalidate(window, nullptr);
    if (first) {
        SendSize(window);
    }
    return true;
}

bool FakePlatform::GetClientRect(WindowHandle window, Rect& rect) {
    if (!Enter("GetClientRect") || Live(window) == nullptr) {
        return false;
    }
    return ClientRect(window, rect);
}

bool FakePlatform::GetWindowRect(WindowHandle window, Rect& rect) {
    if (!Enter("GetWindowRect")) {
        return false;
    }
    WindowState* state = Live(window);
    if (state == nullptr) {
        return false;
    }
    rect = state->outer;
    return true;
}

bool FakePlatform::AdjustWindowRect(Rect& rect, std::uint32_t style, bool menu) {
    if (!Enter("AdjustWindowRect")) {
        return false;
    }
    if (menu) {
        return Failed("menus are not supported");
    }
    const Rect borders = Borders(style);
    rect.left -= borders.left;
    rect.top -= borders.top;
    rect.right += borders.right;
    rect.bottom += borders.bottom;
    return true;
}

bool FakePlatform::SetWindowPos(WindowHandle window, int x, int y, int width, int height,
                                std::uint32_t flags) {
    if (!Enter("SetWindowPos")) {
        return false;
    }
    WindowState* state = Live(window);
    if (state == nullptr) {
        return false;
    }
    Rect before;
    ClientRect(window, before);
    Rect& outer = state->outer;
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
        Invalidate(window, nullptr);
        SendSize(window);
    }
    return true;
}

bool FakePlatform::SetWindowText(WindowHandle window, const char* text) {
    if (!Enter("SetWindowText")) {
        return false;
    }
    WindowState* state = Live(window);
    if (state == nullptr) {
        return false;
    }
    state->title = text != nullptr ? text : "";
    return true;
}

bool FakePlatform::IsWindowVisible(WindowHandle window) {
    if (!Enter("IsWindowVisible")) {
        return false;
    }
    const WindowState* state = Live(window);
    return state != nullptr && state->visible;
}

bool FakePlatform::IsIconic(WindowHandle window) {
    if (!Enter("IsIconic")) {
        return false;
    }
    const WindowState* state = Live(window);
    return state != nullptr && state->minimised;
}

void FakePlatform::Minimise(WindowHandle window, bool minimised) {
    WindowState* state = Live(window);
    if (state != nullptr) {
        state->minimised = minimised;
        if (minimised) {
            state->hasUpdate = false;
        } else {
            Invalidate(window, nullptr);
        }
    }
}

std::intptr_t FakePlatform::GetWindowLong(WindowHandle window, int index) {
    if (!Enter("GetWindowLong")) {
        return 0;
    }
    WindowState* state = Live(window);
    if (state == nullptr) {
        return 0;
    }
    if (index == GWL_STYLE) {
        return static_cast<std::intptr_t>(state->style | (state->visible ? WS_VISIBLE : 0));
    }
    if (index == GWL_USERDATA) {
        return state->userData;
    }
    Failed("invalid window-long index");
    return 0;
}

std::intptr_t FakePlatform::SetWindowLong(WindowHandle window, int index, std::intptr_t value) {
    if (!Enter("SetWindowLong")) {
        return 0;
    }
    WindowState* state = Live(window);
    if (state == nullptr) {
        return 0;
    }
    std::intptr_t previous = 0;
    if (index == GWL_STYLE) {
        previous = static_cast<std::intptr_t>(state->style | (state->visible ? WS_VISIBLE : 0));
        const auto style = static_cast<std::uint32_t>(value);
        state->style = style & ~WS_VISIBLE;
        state->visible = (style & WS_VISIBLE) != 0;
    } else if (index == GWL_USERDATA) {
        previous = state->userData;
        state->userData = value;
    } else {
        Failed("invalid window-long index");
    }
    return previous;
}

WindowHandle FakePlatform::SetParent(WindowHandle window, WindowHandle parent) {
    if (!Enter("SetParent")) {
        return {};
    }
    WindowState* state = Live(window);
    if (state == nullptr || (parent && Live(parent) == nullptr)) {
        return {};
    }
    const WindowHandle previous = state->parent;
    state->parent = parent;
    return previous;
}

WindowHandle FakePlatform::GetParent(WindowHandle window) {
    if (!Enter("GetParent")) {
        return {};
    }
    WindowState* state = Live(window);
    if (state == nullptr || (state->style & WS_CHILD) == 0) {
        return {};
    }
    return state->parent;
}

}  // namespace moon::platform
