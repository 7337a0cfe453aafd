// The frame logic: every mode transition, the menus' cursors, the size-change
// rule, and name editing with its character table.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "core_test_support.h"
#include "game/game_play.h"

namespace {

// Steps of a script: a key pressed for one frame without a tick, or these.
constexpr int Tick = -1;      // a frame with a tick
constexpr int End = -2;       // a frame whose tick locks and cannot place the next piece
constexpr int Prepare = -3;   // the start-up preparation of the player's name
constexpr int OnResume = -4;  // the cursor put on "Resume Game" by hand, no frame
constexpr int Hold = 1000;    // Hold + key: pressed, no frame

class FrameLogic : public ::testing::Test {
protected:
    LoopState loop;

    void SetUp() override {
        resetCore();
        std::srand(77);
    }

    void run(const std::vector<int>& steps) {
        for (int step : steps) {
            if (step == End) {  // the blocks left at the top centre are in the way of any piece
                gameState.currentPiecePlaced = false;
                gameState.gameClock = 9 * settings.speedLimit;
                gameState.level = 1;
            }
            if (step == Prepare) preparePlayerName(loop);
            if (step == OnResume) gameState.menuCursor = 0;
            if (step >= 0) press(uint8_t(step % Hold));
            if (step < Hold && step != Prepare && step != OnResume)
                (step < 0 ? frameWithTick : frameWithoutTick)(loop);
        }
    }

    // The screen, the menu cursor, the field size, the ticks of the game, the
    // loop flags, the player's name and every key still down.
    std::string state() const {
        static const std::map<int, std::string> names = {
            {key::enter, "Enter"}, {key::escape, "Esc"}, {key::left, "Left"},
            {key::up, "Up"},       {key::down, "Down"},  {key::f12, "F12"}};
        const GameState& g = gameState;
        std::string text = g.settingsVisible ? "settings"
                           : g.menuVisible   ? "menu"
                           : g.gameRunning   ? "play"
                                             : "over";
        if (g.gameRunning ? g.menuVisible : g.settingsVisible && !g.menuVisible)
            text += " inconsistent";
        text += " " + std::to_string(g.menuCursor) + " " + std::to_string(settings.fieldWidth) +
                "x" + std::to_string(settings.fieldHeight);
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
};

TEST_F(FrameLogic, EveryModeTransition) {
    using namespace key;
    const std::pair<std::vector<int>, const char*> cases[] = {
        // Main menu: "Resume Game" is a line only while a game can be resumed.
        {{}, "menu 1 10x20"},
        {{up}, "menu 1 10x20 Up"},
        {{down, down, down}, "menu 3 10x20 Down"},
        {{escape}, "menu 1 10x20 Esc"},
        {{OnResume, enter}, "menu 1 10x20"},  // the undrawn line does nothing and is left
        {{down, down, enter}, "menu 3 10x20 quit"},
        // The settings submenu; its keys run in the frame that opens it.
        {{down, enter}, "settings 0 10x20"},
        {{down, enter, escape}, "menu 2 10x20"},
        {{down, enter, enter}, "menu 2 10x20"},
        {{down, enter, down, Hold + up, escape}, "menu 2 10x20 Up"},  // whatever arrow is held
        {{Hold + right, down, enter}, "settings 0 11x20"},
        {{down, enter, up}, "settings 0 10x20 Up"},
        {{down, enter, down, down}, "settings 1 10x20 Down"},
        {{down, enter, down, left, enter}, "menu 2 10x19"},
        {{enter, Tick, escape, down, down, enter, right}, "settings 0 11x20"},  // ends the game
        {{down, enter, left, left, left, left, left, left, left}, "settings 0 4x20"},
        {{down, enter, Hold + left, right}, "settings 0 10x20"},
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
        {{enter, f1, Hold + 'P', escape}, "menu 1 10x20 paused editing P"},  // P is never typed
        {{enter, Tick, f1, escape, down, enter}, "play 1 10x20 paused editing"},
        // Without a name the first game edits the placeholder; the first
        // character replaces it, and Backspace before that changes nothing.
        {{Prepare}, "menu 1 10x20 paused editing 'Enter Name'"},
        {{Prepare, enter, backspace}, "play 1 10x20 paused editing 'Enter Name'"},
        {{Prepare, enter, 'K', 'L'}, "play 1 10x20 paused editing 'kl'"},
        // Game over keeps the field on screen until Enter or Escape.
        {{enter, Hold + space, End}, "over 1 10x20 t10"},  // the last tick takes its keys
        {{enter, End, left, Tick}, "over 1 10x20 t10 Left"},
        {{enter, End, enter}, "menu 1 10x20"},
        {{enter, End, escape, up}, "menu 1 10x20 Up"},
        {{enter, f1, enter, End}, "menu 1 10x20"},  // the Enter still set leaves at once
        // F12 quits from every mode and stays set.
        {{f12}, "menu 1 10x20 quit F12"},
        {{down, enter, f12}, "settings 0 10x20 quit F12"},
        {{enter, 'P', f12}, "play 1 10x20 paused quit F12"},
        {{enter, f1, f12}, "play 1 10x20 paused editing quit F12"},
        {{enter, End, f12}, "over 1 10x20 t10 quit F12"}};
    for (const auto& [steps, expected] : cases) {
        SetUp();
        loop = LoopState{};
        run(steps);
        EXPECT_EQ(state(), expected);
    }
}

TEST_F(FrameLogic, StartUpCopiesTheSavedNameIntoThePlayersSlot) {
    for (const char* saved : {"Mira", "Nineteen_characters"}) {
        resetCore();
        std::strcpy(currentList()[unrankedSlot].name, saved);
        playerSlot = 3;  // three entries were read for this size
        run({Prepare, key::enter, key::f1, 'Z'});
        EXPECT_STREQ(currentList()[3].name, saved);
        EXPECT_EQ(currentList()[3].score, 0u);
        EXPECT_EQ(std::string(playerName()), std::string(saved) + (saved[4] ? "" : "z"));
    }
}

TEST_F(FrameLogic, SizeChangesCarryTheNameIntoTheNewSizesList) {
    setList(29, 20, "a:9 b:8 Kim:7");
    settings.fieldWidth = 29;
    playerSlot = 2;
    run({key::down, key::enter, key::right, key::right, key::down, key::right});
    EXPECT_EQ(state(), "settings 1 30x21 'Kim'");
    EXPECT_EQ(playerSlot, unrankedSlot);
    EXPECT_EQ(currentList(), highscoreList(30, 21));
    EXPECT_STREQ(highscoreList(30, 20)[unrankedSlot].name, "Kim");
    EXPECT_EQ(ranked(29, 20), "a:9 b:8 Kim:7");
    settings.fieldWidth = 4;  // at the limit nothing moves but the resumable game ends
    playerSlot = 2;
    gameState.gameClock = 90;
    run({key::up, key::left});
    EXPECT_EQ(state(), "settings 0 4x21");
    EXPECT_EQ(playerSlot, 2u);
    EXPECT_STREQ(highscoreList(4, 21)[unrankedSlot].name, "");
}

TEST_F(FrameLogic, TypingMapsKeysThroughShiftAndTheCharacterTable) {
    setList(10, 20, "top:1");
    playerSlot = unrankedSlot;
    run({Prepare, key::enter, key::f1});
    // Shift turns the digit row and the codes up to '?' 16 down; '@' stays.
    const std::tuple<bool, uint8_t, char> table[] = {
        {false, 'A', 'a'}, {true, 'A', 'A'}, {true, '1', '!'}, {true, '0', ' '},
        {true, 58, '*'},   {true, 63, '/'},  {true, 64, '@'},  {false, '7', '7'},
        {false, 58, ':'},  {false, 64, '@'}, {false, 'Z', 'z'}};
    for (const auto& [shift, code, typed] : table) {
        keyState.down[key::shift] = shift;
        run({code});
        EXPECT_EQ(playerName()[std::strlen(playerName()) - 1], typed) << int(code);
    }
    keyState.down[key::shift] = 0;
    // One Backspace a frame, before the keys of the frame in ascending order;
    // keypad digits type nothing.
    run({Hold + key::backspace, Hold + 'C', Hold + 'B', 96 + 5});
    EXPECT_EQ(state(), "play 1 10x20 paused editing 'aA! */@7:@bc' e");
    keyState.down[96 + 5] = 0;
    // Nineteen characters at most: a key at the limit waits, set.
    run({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'Z', key::backspace});
    EXPECT_EQ(state(), "play 1 10x20 paused editing 'aA! */@7:@bcabcdefz'");
    EXPECT_EQ(playerName()[19], '\0');
    // The name is the player's entry, wherever it stands.
    playerScore() = 5;
    promotePlayerEntry();
    run({key::backspace, 'Y'});
    EXPECT_EQ(ranked(10, 20), "aA! */@7:@bcabcdefy:5 top:1");
    // P is never typed: it ends editing, and the keys of that frame stay set.
    run({Hold + 'Q', 'P', 'D'});
    EXPECT_EQ(state(), "play 1 10x20 'aA! */@7:@bcabcdefy' D Q");
}

}  // namespace
