// SPDX-License-Identifier: MIT
// Windows virtual-key codes for SDL's physical key positions.
#pragma once

namespace moon::platform {

// The virtual-key code (US layout, by key position) of an SDL scancode; 0 for
// keys that have none. Left and right Shift, Ctrl and Alt share one code each,
// as in the key messages of the window system the framework expects.
int VirtualKeyFromScancode(int scancode);

}  // namespace moon::platform
