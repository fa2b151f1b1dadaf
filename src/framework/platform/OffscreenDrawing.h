// SPDX-License-Identifier: MIT
// Drawing with nobody looking: for programs that render pictures (moon
// --render) on a machine with or without a display.
#pragma once

namespace moon::platform {

// Asks the system's backend, before its first use (Platform::Get), to make
// windows and GL contexts that are drawn into but never shown: SDL's
// offscreen video driver on Linux (no display needed); on Windows, windows
// that stay hidden whatever is asked of them, with GL drawing into a pbuffer
// of each one's size. Each backend folder defines it.
void UseOffscreenDrawing();

}  // namespace moon::platform
