// Host keys to Windows virtual-key codes.
#pragma once

#include <SDL.h>

#include "platform/win32.h"

// The virtual-key code Windows reports for the key, or 0 for a key Windows
// has no code for. Letters follow the layout and ignore Caps Lock; the main
// digit row is '0'..'9' on every layout; both Shift keys are VK_SHIFT, both
// Control keys VK_CONTROL and both Alt keys VK_MENU.
WPARAM virtualKeyOf(const SDL_Keysym& keysym);
