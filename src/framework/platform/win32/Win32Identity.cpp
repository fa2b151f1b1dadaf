// SPDX-License-Identifier: MIT
// The program as the Windows shell knows it: the icons the program gives for
// its module, made into Windows icons, and its AppUserModelID; see
// Win32Platform.h.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/platform/win32/Win32Platform.h"
#include "framework/platform/win32/WindowsApi.h"

// After windows.h: the shell's declarations need its types.
#include <shobjidl.h>

namespace moon::platform {
namespace {

// An icon from straight (not premultiplied) RGBA pixels, rows top first:
// a 32-bit colour bitmap, whose alpha Windows uses, and an all-zero AND mask,
// which keeps every pixel of the colour bitmap. Null when Windows refuses.
HICON makeIcon(const IconImage& image) {
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof(header);
    header.bV5Width = image.width;
    header.bV5Height = -image.height;  // negative: rows top first
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HBITMAP colour = ::CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(&header),
                                        DIB_RGB_COLORS, &bits, nullptr, 0);
    ::ReleaseDC(nullptr, screen);
    if (colour == nullptr || bits == nullptr) {
        return nullptr;
    }
    auto* pixels = static_cast<std::uint8_t*>(bits);
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* rgba = &image.rgba[i * 4];
        std::uint8_t* bgra = &pixels[i * 4];
        bgra[0] = rgba[2];
        bgra[1] = rgba[1];
        bgra[2] = rgba[0];
        bgra[3] = rgba[3];
    }
    // A monochrome bitmap's rows are padded to 16 bits.
    const std::size_t maskStride = (static_cast<std::size_t>(image.width) + 15) / 16 * 2;
    const std::vector<std::uint8_t> zeros(maskStride * image.height, 0);
    HBITMAP mask = ::CreateBitmap(image.width, image.height, 1, 1, zeros.data());
    HICON icon = nullptr;
    if (mask != nullptr) {
        ICONINFO info{};
        info.fIcon = TRUE;
        info.hbmMask = mask;
        info.hbmColor = colour;
        icon = ::CreateIconIndirect(&info);  // copies both bitmaps
        ::DeleteObject(mask);
    }
    ::DeleteObject(colour);
    return icon;
}

}  // namespace

// The id is the program's own: an icon resource of the executable with the
// same id does not take it (the given icon comes first in LoadIcon).
bool Win32Platform::AddModuleIcon(int id, const IconImage& image) {
    Enter();
    if (id < 1 || m_moduleIcons.count(id) != 0) {
        return Fail(FailureKind::Refused, "icon id taken or not positive");
    }
    if (!IsModuleIconImage(image)) {
        return Fail(FailureKind::Refused, "icon picture empty, too large or not filled");
    }
    HICON icon = makeIcon(image);
    if (icon == nullptr) {
        return FailSystem("AddModuleIcon");
    }
    m_moduleIcons[id] = icon;
    return true;
}

// The shell reads the id when the process shows its first window, so it is
// taken only before the first class, as on the other systems. Windows
// accepts at most 128 characters; its refusal is the reason given.
bool Win32Platform::SetApplicationId(const char* id) {
    Enter();
    if (m_bWindowSystemStarted) {
        return Fail(FailureKind::Refused, "the window system has started");
    }
    if (!IsApplicationId(id)) {
        return Fail(FailureKind::Refused, "application id empty or with spaces");
    }
    const std::string text(id);
    const std::wstring wide(text.begin(), text.end());  // visible ASCII only
    const HRESULT result = ::SetCurrentProcessExplicitAppUserModelID(wide.c_str());
    if (FAILED(result)) {
        ::SetLastError(static_cast<DWORD>(result));
        return FailSystem("SetApplicationId");
    }
    return true;
}

}  // namespace moon::platform
