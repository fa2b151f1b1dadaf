// SPDX-License-Identifier: MIT
// FakePlatform: pixel formats, GL contexts and the display.
#include "framework/platform/fake/FakePlatform.h"

namespace moon::platform {

// --- Pixel formats, GL contexts ------------------------------------------------

int FakePlatform::ChooseFormat(WindowRecord& /*record*/, const PixelFormatDescriptor& descriptor) {
    m_lastRequested = descriptor;
    if (m_formats.empty()) {
        Fail(FailureKind::NoPixelFormat, "no pixel formats");
        return 0;
    }
    int deepest = 1;
    for (std::size_t i = 0; i < m_formats.size(); ++i) {
        if (m_formats[i].cDepthBits >= descriptor.cDepthBits) {
            return static_cast<int>(i + 1);
        }
        if (m_formats[i].cDepthBits > m_formats[deepest - 1].cDepthBits) {
            deepest = static_cast<int>(i + 1);
        }
    }
    return deepest;
}

int FakePlatform::SetFormat(WindowRecord& record, int format) {
    if (format < 1 || format > static_cast<int>(m_formats.size())) {
        Fail(FailureKind::NoPixelFormat, "no such pixel format");
        return 0;
    }
    if (record.pixelFormat != 0) {
        Fail(FailureKind::NoPixelFormat, "pixel format already set");
        return 0;
    }
    record.pixelFormat = format;
    return 1;
}

int FakePlatform::DescribeFormat(int format, PixelFormatDescriptor& descriptor) {
    if (format < 1 || format > static_cast<int>(m_formats.size())) {
        Fail(FailureKind::NoPixelFormat, "no such pixel format");
        return 0;
    }
    descriptor = m_formats[static_cast<std::size_t>(format - 1)];
    return static_cast<int>(m_formats.size());
}

ContextHandle FakePlatform::MakeContext(WindowRecord& record) {
    m_contexts.push_back(ContextState{true, record.pixelFormat});
    return ContextHandle{static_cast<std::uint32_t>(m_contexts.size())};
}

int FakePlatform::ContextFormat(ContextHandle context) const {
    return ContextAlive(context) ? m_contexts[context.id - 1].pixelFormat : 0;
}

bool FakePlatform::DeleteContext(ContextHandle context) {
    if (!Enter("DeleteContext")) {
        return false;
    }
    if (!ContextAlive(context)) {
        return Fail(FailureKind::NoSuchHandle, "no such GL context");
    }
    m_contexts[context.id - 1].alive = false;
    if (m_hCurrentContext == context) {
        m_hCurrentContext = {};
        m_hCurrentDC = {};
    }
    return true;
}

bool FakePlatform::MakeSystemCurrent(WindowRecord* record, DeviceContextHandle dc,
                                     ContextHandle context) {
    m_hCurrentDC = record != nullptr ? dc : DeviceContextHandle{};
    m_hCurrentContext = context;
    return true;
}

ContextHandle FakePlatform::GetCurrentContext() {
    Enter("GetCurrentContext");
    return m_hCurrentContext;
}

DeviceContextHandle FakePlatform::GetCurrentDC() {
    Enter("GetCurrentDC");
    return m_hCurrentDC;
}

bool FakePlatform::SwapSystemBuffers(WindowRecord& record) {
    ++static_cast<WindowState&>(record).swapCount;
    return true;
}

// --- Display -----------------------------------------------------------------

bool FakePlatform::EnumDisplaySettings(DevMode& mode) {
    if (!Enter("EnumDisplaySettings")) {
        return false;
    }
    mode = m_displayMode;
    return true;
}

}  // namespace moon::platform
