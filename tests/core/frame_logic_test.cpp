// The frame logic: every mode transition, the menus' cursors, the size-change
// rule, and name editing with its character table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "core_test_support.h"

namespace {

// Steps of a script: a key pressed for one frame without a tick, or these.
constexpr int Tick = -1;      // a frame with a tick
constexpr int End = -2;       // a frame whose tick locks and ends the game
constexpr int Prepare = -3;   // the start-up preparation of the player's name
constexpr int Named = -4;     // a saved name, and three entries read for the size
constexpr int OnResume = -5;  // the cursor put on "Resume Game" by hand
constexpr int Hold = 1000;    // Hold + key: pressed, no frame

// Runs the steps on a fresh game, then gives the screen, the menu cursor, the
// field size, the ticks of the game, the loop flags, the player's name and
// every key still down.
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
        if (step == Named) std::strcpy(currentList()[unrankedSlot].name, "Eighteen_character");
        playerSlot = step == Named ? 3 : playerSlot;
        if (step == OnResume) gameState.menuCursor = resumeLine;
        if (step >= 0) press(uint8_t(step % Hold));
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
            (loop.quitRequested ? " quit" : "");
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
        {{}, "menu 1 10x20"},
        {{up}, "menu 1 10x20 Up"},
        {{down, down, down}, "menu 3 10x20 Down"},
        {{escape}, "menu 1 10x20 Esc"},
        {{OnResume, enter}, "menu 1 10x20"},  // the undrawn line does nothing and is left
        {{down, down, enter}, "menu 3 10x20 quit"},
        // The settings submenu; its keys run in the frame that opens it, but
        // not in the frame that leaves it.
        {{down, enter}, "settings 0 10x20"},
        {{down, enter, escape}, "menu 2 10x20"},
        {{down, enter, enter}, "menu 2 10x20"},
        {{down, enter, down, Hold + up, escape}, "menu 2 10x20 Up"},
        {{Hold + right, down, enter}, "settings 0 11x20"},
        {{down, enter, up}, "settings 0 10x20 Up"},
        {{down, enter, down, down}, "settings 1 10x20 Down"},
        {{down, enter, down, left, enter}, "menu 2 10x19"},
        {{enter, Tick, escape, down, down, enter, right}, "settings 0 11x20"},  // ends the game
        {{down, enter, left, left, left, left, left, left, left}, "settings 0 4x20"},
        {{down, enter, Hold + left, right}, "settings 0 10x20"},
        // A size change carries the player's name into the new size's list.
        {{Named, Prepare, down, enter, right}, "settings 0 11x20 'Eighteen_character'"},
        // Playing, the menu over a game, pausing and name editing.
        {{enter}, "play 1 10x20"},
        {{enter, Tick, escape, Tick}, "menu 0 10x20 t1"},
        {{enter, escape}, "menu 1 10x20"},  // a game without a tick cannot be resumed
        {{enter, escape, enter}, "play 1 10x20"},
        {{enter, Tick, escape, escape}, "play 0 10x20 t1"},
        {{enter, Tick, escape, down, up, up}, "menu 0 10x20 t1 Up"},
        {{enter, Tick, escape, down, enter}, "play 1 10x20"},
        {{enter, 'P', Tick}, "play 1 10x20 paused"},
        {{enter, 'P', 'P'}, "play 1 10x20"},
        {{enter, Tick, 'P', escape, enter}, "play 0 10x20 t1 paused"},
        {{enter, f1}, "play 1 10x20 paused editing"},
        {{enter, f1, enter}, "play 1 10x20 Enter"},  // Enter is left set
        {{enter, 'P', f1}, "play 1 10x20 paused editing"},
        {{enter, f1, 'P'}, "play 1 10x20"},
        {{enter, Tick, Hold + 'P', escape}, "menu 0 10x20 t1 P"},
        {{enter, Tick, Hold + f1, escape}, "menu 0 10x20 t1 paused editing"},
        {{enter, f1, Hold + 'P', escape}, "menu 1 10x20 paused editing P"},  // P is never typed
        {{enter, Tick, f1, escape, down, enter}, "play 1 10x20 paused editing"},
        // Start-up copies the saved name into the player's slot, or edits the
        // placeholder, whose first character typed replaces it.
        {{Prepare}, "menu 1 10x20 paused editing 'Enter Name'"},
        {{Prepare, enter, backspace}, "play 1 10x20 paused editing 'Enter Name'"},
        // Typing: Shift turns the digit row and the codes up to '?' 16 down
        // and leaves '@'; one Backspace a frame, before the frame's keys in
        // ascending order; keypad digits type nothing; 19 characters at most.
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
        {{enter, Hold + keySpace, End}, "over 1 10x20 t10"},  // the last tick takes its keys
        {{enter, End, left, Tick}, "over 1 10x20 t10 Left"},
        {{enter, End, enter}, "menu 1 10x20"},
        {{enter, End, escape, up}, "menu 1 10x20 Up"},
        {{enter, End, Hold + enter, escape}, "menu 1 10x20"},
        {{enter, f1, enter, End}, "menu 1 10x20"},  // the Enter still set leaves at once
        // F12 quits from any mode and stays set.
        {{f12}, "menu 1 10x20 quit F12"},
        {{enter, End, f12}, "over 1 10x20 t10 quit F12"}};
    for (const auto& [steps, expected] : cases) EXPECT_EQ(afterSteps(steps), expected);
}

}  // namespace
