// SPDX-License-Identifier: MIT
// The Windows API for the process's own services (files, the console, a
// thread's wake-up), for the Windows halves of src/system and src/io:
// windows.h, lean, included the one way.
#pragma once

// The build sets these for the GL headers; windows.h defines them its own way.
#undef APIENTRY
#undef WINGDIAPI
#undef CALLBACK
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
