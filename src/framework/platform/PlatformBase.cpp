// SPDX-License-Identifier: MIT
#include "framework/platform/PlatformBase.h"

#include <algorithm>
#include <utility>

namespace moon::platform {
namespace {

// The one stock icon and cursor the framework loads.
constexpr IconHandle kApplicationIcon{1};
constexpr CursorHandle kArrowCursor{1};
// The program's one module.
constexpr ModuleHandle kProgramModule{1};

bool intersect(Rect& rect, const Rect& clip) {
    rect.left = std::max(rect.left, clip.left);
    rect.top = std::max(rect.top, clip.top);
    rect.right = std::min(rect.right, clip.right);
    rect.bottom = std::min(rect.bottom, clip.bottom);
    return rect.left < rect.right && rect.top < rect.bottom;
}

bool takeFront(std::deque<Msg>& queue, Msg& msg) {
    if (queue.empty()) {
        return false;
    }
    msg = queue.front();
    queue.pop_front();
    return true;
}

}  // namespace

PlatformBase::PlatformBase() {
    m_palettes[kStockPalette.id] = LogPalette{};
}

// --- Errors and the table of windows -------------------------------------------

bool PlatformBase::Enter(const char* operation) {
    m_failure = Failure{};
    return Admit(operation);
}

PlatformBase::WindowRecord* PlatformBase::EnterWindow(const char* operation, WindowHandle window) {
    return Enter(operation) ? FindRecord(window) : nullptr;
}

// A window's device context has the window's id.
PlatformBase::WindowRecord* PlatformBase::EnterDc(const char* operation, DeviceContextHandle dc) {
    if (!Enter(operation)) {
        return nullptr;
    }
    WindowRecord* record = Live(WindowHandle{dc.id});
    if (record == nullptr) {
        Fail(FailureKind::NoSuchHandle, "no such device context");
    }
    return record;
}

bool PlatformBase::Fail(FailureKind kind, std::string reason) {
    m_failure = Failure{kind, std::move(reason)};
    return false;
}

void PlatformBase::Adopt(WindowHandle window, WindowRecord& record) {
    m_records[window.id] = &record;
}

void PlatformBase::Forget(WindowHandle window) {
    if (m_hCapture == window) {
        m_hCapture = {};
        CaptureSystemPointer(false);
    }
    auto forWindow = [window](const Msg& msg) { return msg.hwnd == window; };
    m_posted.erase(std::remove_if(m_posted.begin(), m_posted.end(), forWindow), m_posted.end());
    m_input.erase(std::remove_if(m_input.begin(), m_input.end(), forWindow), m_input.end());
    m_records.erase(window.id);
}

PlatformBase::WindowRecord* PlatformBase::Live(WindowHandle window) const {
    const auto found = m_records.find(window.id);
    return found != m_records.end() ? found->second : nullptr;
}

PlatformBase::WindowRecord* PlatformBase::FindRecord(WindowHandle window) {
    WindowRecord* record = Live(window);
    if (record == nullptr) {
        Fail(FailureKind::NoSuchHandle, "no such window");
    }
    return record;
}

LResult PlatformBase::Send(WindowHandle window, std::uint32_t message, WParam wParam,
                           LParam lParam) {
    const WindowRecord* record = Live(window);
    if (record == nullptr) {
        return 0;
    }
    // Never missing: UnregisterClass refuses while windows of the class live.
    return m_classes.at(record->atom).windowClass.lpfnWndProc(window, message, wParam, lParam);
}

const IconImage* PlatformBase::ClassIconImage(Atom atom) const {
    const auto found = m_classes.find(atom);
    if (found == m_classes.end()) {
        return nullptr;
    }
    const auto icon = m_icons.find(found->second.windowClass.hIcon.id);
    return icon != m_icons.end() ? &icon->second : nullptr;
}

CursorHandle PlatformBase::ClassCursor(Atom atom) const {
    const auto found = m_classes.find(atom);
    return found != m_classes.end() ? found->second.windowClass.hCursor : CursorHandle{};
}

Atom PlatformBase::FindClass(const char* name) const {
    for (const auto& [atom, entry] : m_classes) {
        if (name != nullptr && entry.name == name) {
            return atom;
        }
    }
    return 0;
}

// --- Module and classes ------------------------------------------------------------

ModuleHandle PlatformBase::GetModuleHandle() {
    Enter("GetModuleHandle");
    return kProgramModule;
}

Atom PlatformBase::RegisterClass(const WndClass& windowClass) {
    if (!Enter("RegisterClass") || !StartWindowSystem()) {
        return 0;
    }
    if (windowClass.lpszClassName == nullptr || *windowClass.lpszClassName == '\0' ||
        windowClass.lpfnWndProc == nullptr) {
        Fail(FailureKind::Refused, "class without name or window procedure");
        return 0;
    }
    if (FindClass(windowClass.lpszClassName) != 0) {
        Fail(FailureKind::Refused, "class already registered");
        return 0;
    }
    ClassEntry entry{windowClass.lpszClassName, windowClass};
    entry.windowClass.lpszClassName = nullptr;  // the caller's text may not outlive the call
    entry.windowClass.lpszMenuName = nullptr;
    const Atom atom = m_nextAtom++;
    m_classes[atom] = std::move(entry);
    m_bClassRegistered = true;
    return atom;
}

bool PlatformBase::UnregisterClass(Atom atom, ModuleHandle /*instance*/) {
    if (!Enter("UnregisterClass")) {
        return false;
    }
    if (m_classes.count(atom) == 0) {
        return Fail(FailureKind::NoSuchHandle, "no such class");
    }
    for (const auto& [id, record] : m_records) {
        if (record->atom == atom) {
            return Fail(FailureKind::Refused, "windows of the class still exist");
        }
    }
    m_classes.erase(atom);
    return true;
}

IconHandle PlatformBase::LoadIcon(ModuleHandle instance, int id) {
    if (!Enter("LoadIcon")) {
        return {};
    }
    if (instance == kProgramModule) {
        const auto found = m_moduleIcons.find(id);
        if (found != m_moduleIcons.end()) {
            return found->second;
        }
    } else if (!instance && id == IDI_APPLICATION) {
        return kApplicationIcon;
    }
    Fail(FailureKind::NoSuchHandle, "no such icon");
    return {};
}

bool PlatformBase::AddModuleIcon(int id, const IconImage& image) {
    if (!Enter("AddModuleIcon")) {
        return false;
    }
    if (id < 1 || m_moduleIcons.count(id) != 0) {
        return Fail(FailureKind::Refused, "icon id taken or not positive");
    }
    if (!IsModuleIconImage(image)) {
        return Fail(FailureKind::Refused, "icon picture empty, too large or not filled");
    }
    const IconHandle icon{m_nextIcon++};
    m_icons[icon.id] = image;
    m_moduleIcons[id] = icon;
    return true;
}

bool PlatformBase::SetApplicationId(const char* id) {
    if (!Enter("SetApplicationId")) {
        return false;
    }
    if (WindowSystemStarted()) {
        return Fail(FailureKind::Refused, "the window system has started");
    }
    if (!IsApplicationId(id)) {
        return Fail(FailureKind::Refused, "application id empty or with spaces");
    }
    m_applicationId = id;
    return true;
}

CursorHandle PlatformBase::LoadCursor(ModuleHandle instance, int id) {
    if (!Enter("LoadCursor")) {
        return {};
    }
    if (instance || id != IDC_ARROW) {
        Fail(FailureKind::NoSuchHandle, "no such cursor");
        return {};
    }
    return kArrowCursor;
}

// --- Windows -------------------------------------------------------------------------

WindowHandle PlatformBase::CreateWindowEx(std::uint32_t exStyle, const char* className,
                                          const char* windowName, std::uint32_t style, int x, int y,
                                          int width, int height, WindowHandle parent,
                                          ModuleHandle /*instance*/, void* param) {
    if (!Enter("CreateWindowEx")) {
        return {};
    }
    const Atom atom = FindClass(className);
    if (atom == 0) {
        Fail(FailureKind::NoSuchHandle, "no such window class");
        return {};
    }
    if (parent && FindRecord(parent) == nullptr) {
        return {};
    }
    WindowRequest request;
    request.atom = atom;
    request.exStyle = exStyle;
    request.className = className;
    request.title = windowName != nullptr ? windowName : "";
    request.style = style & ~WS_VISIBLE;
    request.x = x;
    request.y = y;
    request.width = width;
    request.height = height;
    request.parent = parent;
    request.param = param;
    const WindowHandle window{m_nextWindow++};
    WindowRecord* record = MakeSystemWindow(request, window);
    if (record == nullptr) {
        return {};
    }
    record->dc = DeviceContextHandle{window.id};
    record->atom = atom;
    record->style = request.style;
    record->exStyle = exStyle;
    record->parent = parent;
    Adopt(window, *record);
    // A new window needs painting in full.
    AddToUpdate(window, *record, nullptr);

    CreateStruct create;
    create.lpCreateParams = param;
    const auto createParams = reinterpret_cast<LParam>(&create);
    // Refused by its procedure, the window was never made for the program:
    // as on Windows, it hears only WM_NCDESTROY, not WM_DESTROY.
    const bool made = Send(window, WM_NCCREATE, 0, createParams) != 0 &&
                      (Live(window) == nullptr || Send(window, WM_CREATE, 0, createParams) != -1);
    if (!made) {
        EndWindow(window, false);
        Fail(FailureKind::Refused, "window creation refused by the window procedure");
        return {};
    }
    // Windows sends this one only to child and pop-up windows, to others at
    // their first show; the framework's tests count on it for every window.
    if (Live(window) != nullptr) {
        SendSize(window);
    }
    if ((style & WS_VISIBLE) != 0 && Live(window) != nullptr) {
        ShowWindow(window, SW_SHOW);
    }
    if (Live(window) == nullptr) {
        Fail(FailureKind::Refused, "window destroyed during its creation");
        return {};
    }
    return window;
}

bool PlatformBase::DestroyWindow(WindowHandle window) {
    const WindowRecord* record = EnterWindow("DestroyWindow", window);
    if (record == nullptr) {
        return false;
    }
    if (record->destroying) {
        return Fail(FailureKind::Refused, "window is being destroyed");
    }
    Destroy(window);
    return true;
}

void PlatformBase::Destroy(WindowHandle window) {
    EndWindow(window, true);
}

void PlatformBase::EndWindow(WindowHandle window, bool announced) {
    WindowRecord* record = Live(window);
    if (record == nullptr || record->destroying) {
        return;
    }
    record->destroying = true;
    for (const WindowHandle owned : Dependants(window, false)) {
        Destroy(owned);
    }
    if (announced) {
        Send(window, WM_DESTROY);
    }
    for (const WindowHandle child : Dependants(window, true)) {
        Destroy(child);
    }
    Send(window, WM_NCDESTROY);
    Forget(window);
    DestroySystemWindow(window);
}

std::vector<WindowHandle> PlatformBase::Dependants(WindowHandle window, bool children) const {
    std::vector<WindowHandle> found;
    for (const auto& [id, record] : m_records) {
        if (record->parent == window && ((record->style & WS_CHILD) != 0) == children) {
            found.push_back(WindowHandle{id});
        }
    }
    return found;
}

void PlatformBase::SendSize(WindowHandle window) {
    const WindowRecord* record = Live(window);
    if (record == nullptr) {
        return;
    }
    const Rect client = ClientArea(window);
    SizeReported(window, client);
    Send(window, WM_SIZE, record->minimised ? SIZE_MINIMIZED : SIZE_RESTORED,
         MakeLParam(client.right, client.bottom));
}

bool PlatformBase::ShowWindow(WindowHandle window, int command) {
    WindowRecord* record = EnterWindow("ShowWindow", window);
    if (record == nullptr) {
        return false;
    }
    if (command == SW_HIDE) {
        ShowSystemWindow(window, false);
        record->visible = false;
        return true;
    }
    if (command != SW_SHOW) {
        return Fail(FailureKind::Refused, "unsupported show command");
    }
    ShowSystemWindow(window, true);
    const bool first = !record->shownOnce;
    record->visible = true;
    record->shownOnce = true;
    AddToUpdate(window, *record, nullptr);
    if (first) {
        SendSize(window);
    }
    return true;
}

bool PlatformBase::GetClientRect(WindowHandle window, Rect& rect) {
    if (EnterWindow("GetClientRect", window) == nullptr) {
        return false;
    }
    rect = ClientArea(window);
    return true;
}

bool PlatformBase::GetWindowRect(WindowHandle window, Rect& rect) {
    WindowRecord* record = EnterWindow("GetWindowRect", window);
    if (record == nullptr) {
        return false;
    }
    rect = OuterRect(*record);
    return true;
}

bool PlatformBase::SetWindowPos(WindowHandle window, int x, int y, int width, int height,
                                std::uint32_t flags) {
    WindowRecord* record = EnterWindow("SetWindowPos", window);
    if (record == nullptr) {
        return false;
    }
    PlaceSystemWindow(window, *record, x, y, width, height, flags);
    return true;
}

bool PlatformBase::SetWindowText(WindowHandle window, const char* text) {
    WindowRecord* record = EnterWindow("SetWindowText", window);
    if (record == nullptr) {
        return false;
    }
    TitleSystemWindow(*record, text != nullptr ? text : "");
    return true;
}

bool PlatformBase::IsWindowVisible(WindowHandle window) {
    const WindowRecord* record = EnterWindow("IsWindowVisible", window);
    return record != nullptr && record->visible;
}

bool PlatformBase::IsIconic(WindowHandle window) {
    const WindowRecord* record = EnterWindow("IsIconic", window);
    return record != nullptr && record->minimised;
}

std::intptr_t PlatformBase::GetWindowLong(WindowHandle window, int index) {
    const WindowRecord* record = EnterWindow("GetWindowLong", window);
    if (record == nullptr) {
        return 0;
    }
    if (index == GWL_STYLE) {
        return static_cast<std::intptr_t>(record->style | (record->visible ? WS_VISIBLE : 0));
    }
    if (index == GWL_USERDATA) {
        return record->userData;
    }
    Fail(FailureKind::Refused, "no such window-long slot");
    return 0;
}

// The style is recorded, and WS_VISIBLE shows or hides the window; other
// bits change nothing on screen.
std::intptr_t PlatformBase::SetWindowLong(WindowHandle window, int index, std::intptr_t value) {
    WindowRecord* record = EnterWindow("SetWindowLong", window);
    if (record == nullptr) {
        return 0;
    }
    std::intptr_t previous = 0;
    if (index == GWL_STYLE) {
        previous = static_cast<std::intptr_t>(record->style | (record->visible ? WS_VISIBLE : 0));
        const auto style = static_cast<std::uint32_t>(value);
        const bool visible = (style & WS_VISIBLE) != 0;
        record->style = style & ~WS_VISIBLE;
        if (visible != record->visible) {
            ShowSystemWindow(window, visible);
            record->visible = visible;
        }
    } else if (index == GWL_USERDATA) {
        previous = record->userData;
        record->userData = value;
    } else {
        Fail(FailureKind::Refused, "no such window-long slot");
    }
    return previous;
}

WindowHandle PlatformBase::SetParent(WindowHandle window, WindowHandle parent) {
    WindowRecord* record = EnterWindow("SetParent", window);
    if (record == nullptr || (parent && FindRecord(parent) == nullptr)) {
        return {};
    }
    const WindowHandle previous = record->parent;
    record->parent = parent;
    return previous;
}

// Only a window with the child style reports its parent: a top-level window
// given a parent still answers none, which tells the caller to add the style.
WindowHandle PlatformBase::GetParent(WindowHandle window) {
    const WindowRecord* record = EnterWindow("GetParent", window);
    if (record == nullptr || (record->style & WS_CHILD) == 0) {
        return {};
    }
    return record->parent;
}

// --- Painting ----------------------------------------------------------------------

void PlatformBase::AddToUpdate(WindowHandle window, WindowRecord& record, const Rect* rect) {
    const Rect client = ClientArea(window);
    Rect added = rect != nullptr ? *rect : client;
    if (!intersect(added, client)) {
        return;
    }
    if (!record.hasUpdate) {
        record.update = added;
        record.hasUpdate = true;
        return;
    }
    Rect& update = record.update;
    update = Rect{std::min(update.left, added.left), std::min(update.top, added.top),
                  std::max(update.right, added.right), std::max(update.bottom, added.bottom)};
}

void PlatformBase::Validate(WindowRecord& record) {
    record.hasUpdate = false;
    record.update = Rect{};
}

bool PlatformBase::InvalidateRect(WindowHandle window, const Rect* rect, bool /*erase*/) {
    WindowRecord* record = EnterWindow("InvalidateRect", window);
    if (record == nullptr) {
        return false;
    }
    AddToUpdate(window, *record, rect);
    return true;
}

bool PlatformBase::GetUpdateRect(WindowHandle window, Rect* rect, bool /*erase*/) {
    const WindowRecord* record = EnterWindow("GetUpdateRect", window);
    if (record == nullptr) {
        return false;
    }
    if (rect != nullptr) {
        *rect = record->hasUpdate ? record->update : Rect{};
    }
    return record->hasUpdate;
}

DeviceContextHandle PlatformBase::BeginPaint(WindowHandle window, PaintStruct& paint) {
    WindowRecord* record = EnterWindow("BeginPaint", window);
    if (record == nullptr) {
        return {};
    }
    paint.hdc = record->dc;
    paint.rcPaint = record->hasUpdate ? record->update : Rect{};
    Validate(*record);
    return record->dc;
}

bool PlatformBase::EndPaint(WindowHandle window, const PaintStruct& /*paint*/) {
    return EnterWindow("EndPaint", window) != nullptr;
}

// --- Messages ----------------------------------------------------------------------

void PlatformBase::QueueInput(WindowHandle window, std::uint32_t message, WParam wParam,
                              LParam lParam) {
    m_input.push_back(Msg{window, message, wParam, lParam});
}

void PlatformBase::DropAllMessages() {
    m_posted.clear();
    m_bQuit = false;
    m_input.clear();
}

bool PlatformBase::PostMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                               LParam lParam) {
    if (!Enter("PostMessage")) {
        return false;
    }
    if (window && FindRecord(window) == nullptr) {
        return false;
    }
    m_posted.push_back(Msg{window, message, wParam, lParam});
    return true;
}

void PlatformBase::PostQuitMessage(int exitCode) {
    if (!Enter("PostQuitMessage")) {
        return;
    }
    m_bQuit = true;
    m_quitCode = exitCode;
}

// Posted messages in posting order, then WM_QUIT if asked for (even when it
// was asked for before some of them), then input, then WM_PAINT for the
// first window, in creation order, that is shown, not minimised and has an
// update region.
bool PlatformBase::PeekMessage(Msg& msg) {
    if (!Enter("PeekMessage")) {
        return false;
    }
    BeforePeek();
    if (takeFront(m_posted, msg)) {
        return true;
    }
    if (m_bQuit) {
        m_bQuit = false;
        msg = Msg{{}, WM_QUIT, static_cast<WParam>(static_cast<std::intptr_t>(m_quitCode)), 0};
        return true;
    }
    if (m_input.empty()) {
        PumpInput();
    }
    if (takeFront(m_input, msg)) {
        return true;
    }
    for (const auto& [id, record] : m_records) {
        if (record->visible && !record->minimised && record->hasUpdate) {
            msg = Msg{WindowHandle{id}, WM_PAINT, 0, 0};
            return true;
        }
    }
    return false;
}

// Key messages are the ones translated; no character messages are produced.
bool PlatformBase::TranslateMessage(const Msg& msg) {
    return Enter("TranslateMessage") && (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP);
}

LResult PlatformBase::DispatchMessage(const Msg& msg) {
    if (!Enter("DispatchMessage") || !msg.hwnd || FindRecord(msg.hwnd) == nullptr) {
        return 0;
    }
    return Send(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

LResult PlatformBase::DefWindowProc(WindowHandle window, std::uint32_t message, WParam wParam,
                                    LParam lParam) {
    if (!Enter("DefWindowProc")) {
        return 0;
    }
    NoteDefault(Msg{window, message, wParam, lParam});
    WindowRecord* record = FindRecord(window);
    if (record == nullptr) {
        return 0;
    }
    switch (message) {
        case WM_NCCREATE:
            return 1;
        case WM_CLOSE:
            Destroy(window);
            return 0;
        case WM_PAINT:
            // Validates, so that an unanswered paint is not repeated for ever.
            Validate(*record);
            return 0;
        case WM_SETCURSOR:
            if (LoWord(static_cast<std::uintptr_t>(lParam)) == HTCLIENT) {
                UseCursor(ClassCursor(record->atom));
                return 1;
            }
            // Elsewhere (the frame, the caption) the system's arrow.
            UseCursor(kArrowCursor);
            return 0;
        default:
            return 0;
    }
}

bool PlatformBase::KillTimer(WindowHandle /*window*/, std::uintptr_t /*id*/) {
    return Enter("KillTimer") && Fail(FailureKind::NoSuchHandle, "no such timer");
}

// --- Input -------------------------------------------------------------------------

WindowHandle PlatformBase::SetCapture(WindowHandle window) {
    if (EnterWindow("SetCapture", window) == nullptr) {
        return {};
    }
    const WindowHandle previous = m_hCapture;
    m_hCapture = window;
    CaptureSystemPointer(true);
    return previous;
}

bool PlatformBase::ReleaseCapture() {
    if (!Enter("ReleaseCapture")) {
        return false;
    }
    m_hCapture = {};
    CaptureSystemPointer(false);
    return true;
}

CursorHandle PlatformBase::SetCursor(CursorHandle cursor) {
    if (!Enter("SetCursor")) {
        return {};
    }
    const CursorHandle previous = m_hCursor;
    UseCursor(cursor);
    return previous;
}

// --- Device contexts and palettes ----------------------------------------------------

DeviceContextHandle PlatformBase::GetDC(WindowHandle window) {
    const WindowRecord* record = EnterWindow("GetDC", window);
    return record != nullptr ? record->dc : DeviceContextHandle{};
}

int PlatformBase::ChoosePixelFormat(DeviceContextHandle dc,
                                    const PixelFormatDescriptor& descriptor) {
    WindowRecord* record = EnterDc("ChoosePixelFormat", dc);
    return record != nullptr ? ChooseFormat(*record, descriptor) : 0;
}

int PlatformBase::SetPixelFormat(DeviceContextHandle dc, int format,
                                 const PixelFormatDescriptor& /*descriptor*/) {
    WindowRecord* record = EnterDc("SetPixelFormat", dc);
    return record != nullptr ? SetFormat(*record, format) : 0;
}

int PlatformBase::GetPixelFormat(DeviceContextHandle dc) {
    const WindowRecord* record = EnterDc("GetPixelFormat", dc);
    return record != nullptr ? record->pixelFormat : 0;
}

int PlatformBase::DescribePixelFormat(DeviceContextHandle dc, int format,
                                      PixelFormatDescriptor& descriptor) {
    return EnterDc("DescribePixelFormat", dc) != nullptr ? DescribeFormat(format, descriptor) : 0;
}

ContextHandle PlatformBase::CreateContext(DeviceContextHandle dc) {
    WindowRecord* record = EnterDc("CreateContext", dc);
    if (record == nullptr) {
        return {};
    }
    if (record->pixelFormat == 0) {
        Fail(FailureKind::NoPixelFormat, "no pixel format set");
        return {};
    }
    return MakeContext(*record);
}

int PlatformBase::MakeCurrent(DeviceContextHandle dc, ContextHandle context) {
    if (!Enter("MakeCurrent")) {
        return 0;
    }
    if (!context) {
        return MakeSystemCurrent(nullptr, dc, context) ? 1 : 0;
    }
    const int format = ContextFormat(context);
    if (format == 0) {
        Fail(FailureKind::NoSuchHandle, "no such GL context");
        return 0;
    }
    WindowRecord* record = Live(WindowHandle{dc.id});
    if (record == nullptr) {
        Fail(FailureKind::NoSuchHandle, "no such device context");
        return 0;
    }
    if (record->pixelFormat != format) {
        Fail(FailureKind::NoPixelFormat,
             "the GL context does not suit the device context's pixel format");
        return 0;
    }
    return MakeSystemCurrent(record, dc, context) ? 1 : 0;
}

bool PlatformBase::SwapBuffers(DeviceContextHandle dc) {
    WindowRecord* record = EnterDc("SwapBuffers", dc);
    return record != nullptr && SwapSystemBuffers(*record);
}

const LogPalette* PlatformBase::FindPalette(PaletteHandle palette) const {
    const auto found = m_palettes.find(palette.id);
    return found != m_palettes.end() ? &found->second : nullptr;
}

PaletteHandle PlatformBase::CreatePalette(const LogPalette& palette) {
    if (!Enter("CreatePalette")) {
        return {};
    }
    const PaletteHandle created{m_nextPalette++};
    m_palettes[created.id] = palette;
    return created;
}

PaletteHandle PlatformBase::SelectPalette(DeviceContextHandle dc, PaletteHandle palette,
                                          bool /*forceBackground*/) {
    WindowRecord* record = EnterDc("SelectPalette", dc);
    if (record == nullptr) {
        return {};
    }
    if (FindPalette(palette) == nullptr) {
        Fail(FailureKind::NoSuchHandle, "no such palette");
        return {};
    }
    const PaletteHandle previous = record->selectedPalette;
    record->selectedPalette = palette;
    return previous;
}

std::uint32_t PlatformBase::RealizePalette(DeviceContextHandle dc) {
    if (EnterDc("RealizePalette", dc) == nullptr) {
        return 0;
    }
    // The display is true colour: there is no system palette to map onto.
    return 0;
}

bool PlatformBase::DeleteObject(PaletteHandle palette) {
    if (!Enter("DeleteObject")) {
        return false;
    }
    if (FindPalette(palette) == nullptr) {
        return Fail(FailureKind::NoSuchHandle, "no such palette");
    }
    if (palette == kStockPalette) {
        return true;  // a stock object outlives every deletion, which succeeds
    }
    m_palettes.erase(palette.id);
    for (const auto& [id, record] : m_records) {
        if (record->selectedPalette == palette) {
            record->selectedPalette = kStockPalette;
        }
    }
    return true;
}

void PlatformBase::UseCursor(CursorHandle cursor) {
    if (cursor == m_hCursor) {
        return;
    }
    m_hCursor = cursor;
    ShowSystemCursor(cursor);
}

}  // namespace moon::platform
