// SPDX-License-Identifier: MIT
// windows.h for the native backend's own files, and no others. The seam's
// operations carry the names of the Windows functions, which windows.h
// turns into macros for their A/W variants (CreateWindowEx becomes
// CreateWindowExA): those macros are dropped here, and the backend calls the
// A functions by their full names. Include the seam's headers first.
#pragma once

// The Windows build sets these for files that include GL/gl.h without
// windows.h; windows.h defines them its own way.
#undef APIENTRY
#undef WINGDIAPI
#undef CALLBACK

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef CreateWindowEx
#undef DefWindowProc
#undef DispatchMessage
#undef EnumDisplaySettings
#undef FindWindow
#undef GetModuleHandle
#undef GetWindowLong
#undef LoadCursor
#undef LoadIcon
#undef MessageBox
#undef PeekMessage
#undef PostMessage
#undef RegisterClass
#undef SetWindowLong
#undef SetWindowText
#undef UnregisterClass
