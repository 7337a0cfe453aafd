// One frame of input handling: the game step, then the keys of the current
// mode (main menu, settings submenu, playing, paused, name editing, game over).
#pragma once

#include <cstdint>

#include "game/game_play.h"

// One flag per Win32 virtual-key code: 1 from a key-down message until the
// key is released or the frame logic consumes it.
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

struct LoopState {
    bool paused = false;
    bool nameEditing = false;  // implies paused
    bool quitRequested = false;
    uint32_t nameLength = 0;   // where the next typed character goes, 0..19
    TickTimer tickTimer = {};
};

void preparePlayerName(LoopState& loop);
void runFrameLogic(LoopState& loop);
