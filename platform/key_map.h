// Host keys to Windows virtual-key codes.
#pragma once

#include <SDL.h>

#include "platform/win32.h"

// The virtual-key code Windows reports for the key, or 0 for a key the game
// does not read (and that is not F4). Letters follow the layout and ignore
// Caps Lock; the main digit row is '0'..'9' on every layout; both Shift keys
// are VK_SHIFT and both Control keys VK_CONTROL.
WPARAM virtualKeyOf(const SDL_Keysym& keysym);
