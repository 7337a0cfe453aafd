// The key flags: what the window procedure records of the keyboard and the
// frame logic and game play consume. Includes nothing of the project, so the
// window side can fill the flags without seeing the game's logic.
#pragma once

#include <cstdint>

// One flag per Win32 virtual-key code: 1 from a key-down message until the
// key is released or the game consumes it.
struct KeyState {
    uint8_t down[256];
};

extern KeyState keyState;

// The virtual-key codes the game reads ('0'..'9' and 'A'..'Z' are their
// character codes).
enum KeyCode : uint8_t {
    keyBackspace = 8,
    keyEnter = 13,
    keyShift = 16,
    keyControl = 17,
    keyEscape = 27,
    keySpace = 32,
    keyLeft = 37,
    keyUp = 38,
    keyRight = 39,
    keyDown = 40,
    keyFirstTyped = 48,  // '0'
    keyPause = 80,       // 'P'
    keyLastTyped = 90,   // 'Z'
    keyF1 = 112,
    keyF12 = 123,
};

// Consumes a key: true when its flag was set, which is then cleared.
bool takeKey(uint8_t code);
