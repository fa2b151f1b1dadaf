// SPDX-License-Identifier: MIT
// FakePlatform: pixel formats, GL contexts and the display.
#include "framework/platform/fake/FakePlatform.h"

namespace moon::platform {

// --- Device contexts, pixel formats, GL contexts -----------------------------

int FakePlatform::ChoosePixelFormat(DeviceContextHandle dc,
                                    const PixelFormatDescriptor& descriptor) {
    if (!Enter("ChoosePixelFormat") || FindWindowOfDc(dc) == nullptr) {
        return 0;
    }
    m_lastRequested = descriptor;
    if (m_formats.empty()) {
        Fail("no pixel formats");
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

int FakePlatform::SetPixelFormat(DeviceContextHandle dc, int format,
                                 const PixelFormatDescriptor& descriptor) {
    if (!Enter("SetPixelFormat")) {
        return 0;
    }
    (void)descriptor;
    WindowState* state = FindWindowOfDc(dc);
    if (state == nullptr) {
        return 0;
    }
    if (format < 1 || format > static_cast<int>(m_formats.size())) {
        Fail("no such pixel format");
        return 0;
    }
    if (state->pixelFormat != 0) {
        Fail("pixel format already set");
        return 0;
    }
    state->pixelFormat = format;
    return 1;
}

int FakePlatform::GetPixelFormat(DeviceContextHandle dc) {
    if (!Enter("GetPixelFormat")) {
        return 0;
    }
    WindowState* state = FindWindowOfDc(dc);
    return state != nullptr ? state->pixelFormat : 0;
}

int FakePlatform::DescribePixelFormat(DeviceContextHandle dc, int format,
                                      PixelFormatDescriptor& descriptor) {
    if (!Enter("DescribePixelFormat") || FindWindowOfDc(dc) == nullptr) {
        return 0;
    }
    if (format < 1 || format > static_cast<int>(m_formats.size())) {
        Fail("no such pixel format");
        return 0;
    }
    descriptor = m_formats[static_cast<std::size_t>(format - 1)];
    return static_cast<int>(m_formats.size());
}

ContextHandle FakePlatform::CreateContext(DeviceContextHandle dc) {
    if (!Enter("CreateContext")) {
        return {};
    }
    WindowState* state = FindWindowOfDc(dc);
    if (state == nullptr) {
        return {};
    }
    if (state->pixelFormat == 0) {
        Fail("no pixel format set");
        return {};
    }
    m_contexts.push_back(ContextState{true, state->pixelFormat});
    return ContextHandle{static_cast<std::uint32_t>(m_contexts.size())};
}

bool FakePlatform::DeleteContext(ContextHandle context) {
    if (!Enter("DeleteContext")) {
        return false;
    }
    if (!ContextAlive(context)) {
        return Fail("no such GL context");
    }
    m_contexts[context.id - 1].alive = false;
    if (m_hCurrentContext == context) {
        m_hCurrentContext = {};
        m_hCurrentDC = {};
    }
    return true;
}

int FakePlatform::MakeCurrent(DeviceContextHandle dc, ContextHandle context) {
    if (!Enter("MakeCurrent")) {
        return 0;
    }
    if (!context) {
        m_hCurrentContext = {};
        m_hCurrentDC = {};
        return 1;
    }
    if (!ContextAlive(context)) {
        Fail("no such GL context");
        return 0;
    }
    WindowState* state = FindWindowOfDc(dc);
    if (state == nullptr) {
        return 0;
    }
    if (state->pixelFormat != m_contexts[context.id - 1].pixelFormat) {
        Fail("the context's pixel format differs from the device context's");
        return 0;
    }
    m_hCurrentDC = dc;
    m_hCurrentContext = context;
    return 1;
}

ContextHandle FakePlatform::GetCurrentContext() {
    Enter("GetCurrentContext");
    return m_hCurrentContext;
}

DeviceContextHandle FakePlatform::GetCurrentDC() {
    Enter("GetCurrentDC");
    return m_hCurrentDC;
}

bool FakePlatform::SwapBuffers(DeviceContextHandle dc) {
    if (!Enter("SwapBuffers")) {
        return false;
    }
    WindowState* state = FindWindowOfDc(dc);
    if (state == nullptr) {
        return false;
    }
    ++state->swapCount;
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
