// One frame of input handling: the game step, then the keys of the current
// mode (main menu, settings submenu, playing, paused, name editing, game over).
#pragma once

#include <cstdint>

#include "game/game_play.h"

struct LoopState {
    bool paused = false;
    bool nameEditing = false;  // implies paused
    bool quitRequested = false;
    // Set by the frame in which a game ended, so that its scores are saved at
    // once; whoever saves them clears it.
    bool gameEnded = false;
    uint32_t nameLength = 0;  // where the next typed character goes, 0..maxNameLength
    TickTimer tickTimer = {};
};

void preparePlayerName(LoopState& loop);
void runFrameLogic(LoopState& loop);
