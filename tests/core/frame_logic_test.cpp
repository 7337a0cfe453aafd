// The frame logic: every mode transition, the menus, size changes and name editing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "core_test_support.h"

namespace {

constexpr int Tick = -1;      // a frame with a tick
constexpr int End = -2;       // a frame whose tick locks and ends the game
constexpr int Prepare = -3;   // the start-up preparation of the player's name
constexpr int Named = -4;     // a saved name, and three entries read for the size
constexpr int OnResume = -5;  // the cursor put on "Resume Game" by hand
constexpr int Hold = 1000;    // Hold + key: pressed, no frame; a key alone: one frame

// Gives the screen, cursor, size, ticks, loop flags, name and keys down after the steps.
std::string afterSteps(const std::vector<int>& steps) {
    static const std::map<int, std::string> names = {
        {keyEnter, "Enter"}, {keyEscape, "Esc"}, {keyLeft, "Left"}, {keyUp, "Up"},
        {keyDown, "Down"},   {keyF1, "F1"},      {keyF12, "F12"},   {keyShift, "Shift"}};
    resetCore();
    std::srand(77);
    LoopState loop;
    for (int step : steps) {
        if (step == End) {  // the falling piece, taken for blocks, is in the way of the next one
            gameState.currentPiecePlaced = false;
            gameState.gameClock = 9 * settings.speedLimit;
            gameState.level = 1;
        }
        if (step == Prepare) preparePlayerName(loop);
        if (step == Named)
            playerSlot = 3, std::strcpy(currentList()[unrankedSlot].name, "Eighteen_character");
        if (step == OnResume) gameState.menuCursor = resumeLine;
        if (step >= 0) keyState.down[uint8_t(step % Hold)] = 1;
        if (step < Hold && step >= End) frame(loop, step < 0);
    }
    const GameState& g = gameState;
    std::string text = g.settingsVisible ? "settings"
                       : g.menuVisible   ? "menu"
                       : g.gameRunning   ? "play"
                                         : "over";
    text += " " + std::to_string(g.menuCursor) + " " + std::to_string(settings.fieldWidth) + "x" +
            std::to_string(settings.fieldHeight);
    if (g.gameClock != 0) text += " t" + std::to_string(g.gameClock / settings.speedLimit);
    text += std::string(loop.paused ? " paused" : "") + (loop.nameEditing ? " editing" : "") +
            (loop.quitRequested ? " quit" : "") + (loop.gameEnded ? " ended" : "");
    if (*playerName()) text += " '" + std::string(playerName()) + "'";
    for (int code = 0; code < 256; ++code) {
        if (keyState.down[code])
            text += " " + (names.count(code) ? names.at(code) : std::string(1, char(code)));
    }
    return text;
}

TEST(FrameLogic, EveryModeTransition) {
    const int enter = keyEnter, escape = keyEscape, up = keyUp, down = keyDown, left = keyLeft,
              right = keyRight, f1 = keyF1, f12 = keyF12, shift = keyShift,
              backspace = keyBackspace;
    const std::pair<std::vector<int>, const char*> cases[] = {
        // Main menu: "Resume Game" is a line only while a game can be resumed.
        {{up, Hold + escape}, "menu 1 10x20 Esc Up"},
        {{down, down, down}, "menu 3 10x20 Down"},
        {{OnResume, enter}, "menu 1 10x20"},  // the undrawn line does nothing and is left
        {{down, down, enter}, "menu 3 10x20 quit"},
        // The settings keys run in the frame that opens it, not in the one that leaves.
        {{down, enter, down, Hold + up, escape}, "menu 2 10x20 Up"},
        {{Hold + right, down, enter}, "settings 0 11x20"},
        {{down, enter, up}, "settings 0 10x20 Up"},
        {{down, enter, down, down}, "settings 1 10x20 Down"},
        {{down, enter, down, left, enter}, "menu 2 10x19"},
        {{enter, Tick, escape, down, down, enter, right}, "settings 0 11x20"},  // ends the game
        {{down, enter, left, left, left, left, left, left, left}, "settings 0 4x20"},
        {{down, enter, Hold + left, right}, "settings 0 10x20"},
        {{Named, Prepare, down, enter, right}, "settings 0 11x20 'Eighteen_character'"},
        {{enter, Tick, escape, Tick}, "menu 0 10x20 t1"},
        {{enter, escape}, "menu 1 10x20"},  // a game without a tick cannot be resumed
        {{enter, Tick, escape, escape}, "play 0 10x20 t1"},
        {{enter, Tick, escape, down, up, up}, "menu 0 10x20 t1 Up"},
        // Enter on "Settings" opens it; the same frame's Escape leaves it, resuming nothing.
        {{enter, Tick, escape, down, down, Hold + enter, escape}, "menu 2 10x20 t1"},
        {{enter, 'P', Tick}, "play 1 10x20 paused"},
        {{enter, 'P', 'P'}, "play 1 10x20"},
        {{enter, Tick, 'P', escape, enter}, "play 0 10x20 t1 paused"},
        {{enter, f1, enter}, "play 1 10x20 Enter"},  // Enter is left set
        {{enter, f1, 'P'}, "play 1 10x20"},
        {{enter, Tick, Hold + 'P', escape}, "menu 0 10x20 t1 P"},
        {{enter, Tick, Hold + f1, escape}, "menu 0 10x20 t1 paused editing"},
        {{enter, f1, Hold + 'P', escape}, "menu 1 10x20 paused editing P"},  // P is never typed
        {{Prepare, enter, backspace}, "play 1 10x20 paused editing 'Enter Name'"},
        // Shift turns codes up to '?' 16 down; one Backspace a frame; 19 characters at most.
        {{Prepare, enter, 'A', Hold + shift, 'A', '1', '0', 58, 63, 64},
         "play 1 10x20 paused editing 'aA! */@' Shift"},
        {{Prepare, enter, '7', 58, 64, 'Z', 47, 91, 96 + 5},
         "play 1 10x20 paused editing '7:@z' / [ e"},
        {{Prepare, enter, 'K', 'L', Hold + backspace, Hold + 'C', Hold + 'B', 'D'},
         "play 1 10x20 paused editing 'kbcd'"},
        {{Named, Prepare, enter, f1, 'Z', 'Y'},
         "play 1 10x20 paused editing 'Eighteen_characterz' Y"},
        {{Prepare, enter, 'Q', Hold + 'R', 'P'}, "play 1 10x20 'q' R"},
        // Game over keeps the field on screen until Enter or Escape.
        // The frame that ends a game marks its scores for saving; Escape and Exit do not.
        {{enter, Hold + keySpace, End}, "over 1 10x20 t10 ended"},  // the last tick takes its keys
        {{enter, End, left, Tick}, "over 1 10x20 t10 ended Left"},
        {{enter, End, escape, up}, "menu 1 10x20 ended Up"},
        {{enter, End, Hold + enter, escape}, "menu 1 10x20 ended"},
        {{enter, f1, enter, End}, "menu 1 10x20 ended"},  // the Enter still set leaves at once
        {{enter, End, f12}, "over 1 10x20 t10 quit ended F12"}};
    for (const auto& [steps, expected] : cases) EXPECT_EQ(afterSteps(steps), expected);
}

}  // namespace
