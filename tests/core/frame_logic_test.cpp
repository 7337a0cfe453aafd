// The frame logic: every mode transition, the menus' cursors, the size-change
// rule, and name editing with its character table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core_test_support.h"
#include "game/game_play.h"

namespace {

enum class Mode { mainMenu, settings, playing, paused, nameEditing, gameOver, inconsistent };

class FrameLogic : public ::testing::Test {
protected:
    LoopState loop;

    void SetUp() override {
        resetCore();
        std::srand(77);
        loop = LoopState{};
    }

    Mode mode() const {
        const GameState& g = gameState;
        if (g.menuVisible && !g.gameRunning)
            return g.settingsVisible ? Mode::settings : Mode::mainMenu;
        if (g.menuVisible || g.settingsVisible) return Mode::inconsistent;
        if (!g.gameRunning) return Mode::gameOver;
        if (loop.nameEditing) return loop.paused ? Mode::nameEditing : Mode::inconsistent;
        return loop.paused ? Mode::paused : Mode::playing;
    }

    // Presses a key and runs one frame in which no tick is due.
    void frameWith(uint8_t code) {
        press(code);
        frameWithoutTick(loop);
    }

    void startPlaying() {
        gameState.menuCursor = 1;
        frameWith(key::enter);
        ASSERT_EQ(mode(), Mode::playing);
        frameWithTick(loop);  // the game can now be resumed
        ASSERT_NE(gameState.gameClock, 0u);
    }

    // The next frame's tick locks the current piece, and the next piece cannot
    // be placed: the blocks left at the top centre are in the way.
    void endGameWithNextTick() {
        gameState.currentPiecePlaced = false;
        gameState.gameClock = 9 * gameState.speedLimit;
        gameState.level = 1;
    }

    std::string name() const { return playerName(); }
};

TEST_F(FrameLogic, StartUpWithoutANameEditsThePlaceholder) {
    preparePlayerName(loop);
    EXPECT_EQ(name(), "Enter Name");
    EXPECT_EQ(loop.nameLength, 0u);
    EXPECT_TRUE(loop.paused);
    EXPECT_TRUE(loop.nameEditing);
    EXPECT_EQ(mode(), Mode::mainMenu);
    EXPECT_EQ(gameState.menuCursor, 1u);

    // The first game starts in name editing; Backspace changes nothing and
    // the first character replaces the whole placeholder.
    frameWith(key::enter);
    EXPECT_EQ(mode(), Mode::nameEditing);
    frameWith(key::backspace);
    EXPECT_EQ(name(), "Enter Name");
    EXPECT_FALSE(isDown(key::backspace));
    frameWith('K');
    EXPECT_EQ(name(), "k");
    EXPECT_EQ(loop.nameLength, 1u);
}

TEST_F(FrameLogic, StartUpCopiesTheSavedNameIntoThePlayersSlot) {
    std::strcpy(currentList()[unrankedSlot].name, "Mira");
    gameState.playerSlot = 3;  // three entries were read for this size
    preparePlayerName(loop);
    EXPECT_STREQ(currentList()[3].name, "Mira");
    EXPECT_EQ(currentList()[3].score, 0u);
    EXPECT_EQ(loop.nameLength, 4u);
    EXPECT_FALSE(loop.paused);
    EXPECT_FALSE(loop.nameEditing);

    resetCore();
    loop = LoopState{};
    std::strcpy(currentList()[unrankedSlot].name, "Nineteen_characters");
    gameState.playerSlot = unrankedSlot;
    preparePlayerName(loop);
    EXPECT_EQ(loop.nameLength, 19u);
}

TEST_F(FrameLogic, MainMenuCursorStopsAtTheLinesThatExist) {
    frameWith(key::up);  // no game: the top line is "New Game"
    EXPECT_EQ(gameState.menuCursor, 1u);
    EXPECT_TRUE(isDown(key::up));
    keyState.down[key::up] = 0;
    for (uint32_t expected : {2u, 3u, 3u}) {
        frameWith(key::down);
        EXPECT_EQ(gameState.menuCursor, expected);
    }
    EXPECT_TRUE(isDown(key::down));  // left set on the last line
    keyState.down[key::down] = 0;
    frameWith(key::escape);  // nothing to resume
    EXPECT_EQ(mode(), Mode::mainMenu);
    EXPECT_TRUE(isDown(key::escape));
    keyState.down[key::escape] = 0;

    gameState.gameClock = 300;  // now a game can be resumed
    for (uint32_t expected : {2u, 1u, 0u, 0u}) {
        frameWith(key::up);
        EXPECT_EQ(gameState.menuCursor, expected);
    }
    EXPECT_TRUE(isDown(key::up));
}

TEST_F(FrameLogic, MenuEnterActsOnTheLineUnderTheCursor) {
    gameState.menuCursor = 3;
    frameWith(key::enter);
    EXPECT_TRUE(loop.quitRequested);
    EXPECT_FALSE(isDown(key::enter));

    loop = LoopState{};
    gameState.menuCursor = 2;
    frameWith(key::enter);
    EXPECT_EQ(mode(), Mode::settings);
    EXPECT_EQ(gameState.menuCursor, 0u);
    EXPECT_FALSE(loop.quitRequested);

    frameWith(key::escape);
    EXPECT_EQ(mode(), Mode::mainMenu);
    EXPECT_EQ(gameState.menuCursor, 2u);
    frameWith(key::enter);
    frameWith(key::enter);
    EXPECT_EQ(mode(), Mode::mainMenu);
    EXPECT_EQ(gameState.menuCursor, 2u);
    EXPECT_FALSE(isDown(key::enter));

    // The submenu's keys run in the frame that opens it.
    press(key::right);
    frameWith(key::enter);
    EXPECT_EQ(mode(), Mode::settings);
    EXPECT_EQ(gameState.fieldWidth, 11u);
}

TEST_F(FrameLogic, EscapeOpensTheMenuAndResumesTheGameAsItWasLeft) {
    startPlaying();
    frameWith(key::escape);
    EXPECT_EQ(mode(), Mode::mainMenu);
    EXPECT_EQ(gameState.menuCursor, 0u);
    EXPECT_FALSE(isDown(key::escape));
    const uint32_t clock = gameState.gameClock;
    frameWithTick(loop);  // the menu stops the game
    EXPECT_EQ(gameState.gameClock, clock);

    frameWith(key::escape);
    EXPECT_EQ(mode(), Mode::playing);
    frameWith('P');
    EXPECT_EQ(mode(), Mode::paused);
    frameWithTick(loop);  // a paused game does not tick
    EXPECT_EQ(gameState.gameClock, clock);
    frameWith(key::escape);
    EXPECT_EQ(mode(), Mode::mainMenu);
    frameWith(key::enter);  // "Resume Game": still paused
    EXPECT_EQ(mode(), Mode::paused);

    frameWith(key::f1);
    EXPECT_EQ(mode(), Mode::nameEditing);
    frameWith(key::escape);
    EXPECT_EQ(mode(), Mode::mainMenu);
    EXPECT_TRUE(loop.nameEditing);
    gameState.menuCursor = 1;
    frameWith(key::enter);  // a new game starts in the same state
    EXPECT_EQ(mode(), Mode::nameEditing);
    EXPECT_EQ(gameState.gameClock, 0u);
}

TEST_F(FrameLogic, PauseF1AndEnterSwitchBetweenPlayModes) {
    startPlaying();
    frameWith('P');
    EXPECT_EQ(mode(), Mode::paused);
    EXPECT_FALSE(isDown('P'));
    frameWith('P');
    EXPECT_EQ(mode(), Mode::playing);
    frameWith(key::f1);
    EXPECT_EQ(mode(), Mode::nameEditing);
    EXPECT_FALSE(isDown(key::f1));
    frameWith(key::enter);
    EXPECT_EQ(mode(), Mode::playing);
    EXPECT_TRUE(isDown(key::enter));  // not consumed here
    keyState.down[key::enter] = 0;
    frameWith('P');
    frameWith(key::f1);  // from paused
    EXPECT_EQ(mode(), Mode::nameEditing);
    frameWith('P');  // P ends editing and resumes
    EXPECT_EQ(mode(), Mode::playing);

    // Escape first: P in the same frame finds no running game and waits.
    press('P');
    frameWith(key::escape);
    EXPECT_EQ(mode(), Mode::mainMenu);
    EXPECT_FALSE(loop.paused);
    EXPECT_TRUE(isDown('P'));
}

TEST_F(FrameLogic, GameOverWaitsForEnterOrEscapeThenOffersNoResume) {
    startPlaying();
    endGameWithNextTick();
    frameWithTick(loop);
    EXPECT_EQ(mode(), Mode::gameOver);
    const std::vector<std::string> finalField = fieldPicture();
    frameWith(key::left);
    frameWithTick(loop);
    EXPECT_EQ(mode(), Mode::gameOver);
    EXPECT_EQ(fieldPicture(), finalField);
    keyState.down[key::left] = 0;
    for (uint8_t leave : {key::enter, key::escape}) {
        frameWith(leave);
        EXPECT_EQ(mode(), Mode::mainMenu);
        EXPECT_EQ(gameState.menuCursor, 1u);
        EXPECT_EQ(gameState.gameClock, 0u);
        EXPECT_FALSE(isDown(leave));
        frameWith(key::up);  // "Resume Game" is gone
        EXPECT_EQ(gameState.menuCursor, 1u);
        keyState.down[key::up] = 0;
        frameWith(key::enter);
        ASSERT_EQ(mode(), Mode::playing);
        frameWithTick(loop);
        endGameWithNextTick();
        frameWithTick(loop);
        ASSERT_EQ(mode(), Mode::gameOver);
    }
}

TEST_F(FrameLogic, EnterHeldFromNameEditingLeavesGameOverAtOnce) {
    startPlaying();
    frameWith(key::f1);
    frameWith(key::enter);
    ASSERT_EQ(mode(), Mode::playing);
    ASSERT_TRUE(isDown(key::enter));
    endGameWithNextTick();
    frameWithTick(loop);
    EXPECT_EQ(mode(), Mode::mainMenu);
    EXPECT_EQ(gameState.menuCursor, 1u);
    EXPECT_FALSE(isDown(key::enter));
}

TEST_F(FrameLogic, F12QuitsFromEveryModeAndStaysSet) {
    auto quitsFrom = [this](Mode expected) {
        ASSERT_EQ(mode(), expected);
        loop.quitRequested = false;
        frameWith(key::f12);
        EXPECT_TRUE(loop.quitRequested);
        EXPECT_TRUE(isDown(key::f12));
        keyState.down[key::f12] = 0;
    };
    quitsFrom(Mode::mainMenu);
    gameState.menuCursor = 2;
    frameWith(key::enter);
    quitsFrom(Mode::settings);
    frameWith(key::enter);
    gameState.menuCursor = 1;
    frameWith(key::enter);
    quitsFrom(Mode::playing);
    frameWith('P');
    quitsFrom(Mode::paused);
    frameWith(key::f1);
    quitsFrom(Mode::nameEditing);
    frameWith(key::enter);
    keyState.down[key::enter] = 0;
    frameWithTick(loop);
    endGameWithNextTick();
    frameWithTick(loop);
    quitsFrom(Mode::gameOver);
}

TEST_F(FrameLogic, SettingsCursorAndLeavingTheSubmenu) {
    gameState.menuCursor = 2;
    frameWith(key::enter);
    frameWith(key::up);  // already on the width line
    EXPECT_EQ(gameState.menuCursor, 0u);
    EXPECT_TRUE(isDown(key::up));
    keyState.down[key::up] = 0;
    frameWith(key::down);
    EXPECT_EQ(gameState.menuCursor, 1u);
    frameWith(key::down);  // already on the height line
    EXPECT_EQ(gameState.menuCursor, 1u);
    EXPECT_TRUE(isDown(key::down));
    keyState.down[key::down] = 0;
    frameWith(key::left);
    EXPECT_EQ(gameState.fieldHeight, 19u);
    EXPECT_EQ(gameState.fieldWidth, 10u);
    frameWith(key::enter);
    EXPECT_EQ(mode(), Mode::mainMenu);
    EXPECT_EQ(gameState.menuCursor, 2u);
}

TEST_F(FrameLogic, SizeChangesCarryTheNameAndEndTheResumableGame) {
    std::strcpy(currentList()[unrankedSlot].name, "Lu");
    preparePlayerName(loop);
    startPlaying();
    HighscoreEntry* oldList = currentList();
    oldList[unrankedSlot].score = 12;
    frameWith(key::escape);
    gameState.menuCursor = 2;
    frameWith(key::enter);

    frameWith(key::right);
    EXPECT_EQ(gameState.fieldWidth, 11u);
    EXPECT_EQ(gameState.gameClock, 0u);
    EXPECT_EQ(gameState.playerSlot, unrankedSlot);
    EXPECT_EQ(name(), "Lu");
    EXPECT_EQ(currentList(), highscoreList(11, 20));
    EXPECT_EQ(oldList[unrankedSlot].score, 12u);

    // Left then Right in one frame: both act.
    press(key::left);
    frameWith(key::right);
    EXPECT_EQ(gameState.fieldWidth, 11u);

    // At the limits nothing changes but the resumable game.
    gameState.fieldWidth = 4;
    std::strcpy(currentList()[2].name, "Kim");
    gameState.playerSlot = 2;
    gameState.gameClock = 90;
    frameWith(key::left);
    EXPECT_EQ(gameState.fieldWidth, 4u);
    EXPECT_EQ(gameState.playerSlot, 2u);
    EXPECT_EQ(gameState.gameClock, 0u);
    EXPECT_FALSE(isDown(key::left));
    EXPECT_STREQ(highscoreList(4, 20)[unrankedSlot].name, "");

    gameState.fieldWidth = 29;
    std::strcpy(playerName(), "Kim");
    frameWith(key::right);
    EXPECT_EQ(gameState.fieldWidth, 30u);
    EXPECT_EQ(name(), "Kim");
    gameState.gameClock = 90;
    frameWith(key::right);
    EXPECT_EQ(gameState.fieldWidth, 30u);
    EXPECT_EQ(name(), "Kim");
    EXPECT_EQ(gameState.gameClock, 0u);

    frameWith(key::down);
    frameWith(key::right);
    EXPECT_EQ(gameState.fieldHeight, 21u);
    EXPECT_EQ(currentList(), highscoreList(30, 21));
    EXPECT_EQ(name(), "Kim");
}

TEST_F(FrameLogic, TypingMapsKeysThroughShiftAndTheCharacterTable) {
    std::strcpy(currentList()[unrankedSlot].name, "x");
    gameState.playerSlot = unrankedSlot;
    preparePlayerName(loop);
    startPlaying();
    frameWith(key::f1);
    frameWith(key::backspace);
    ASSERT_EQ(name(), "");

    frameWith('A');
    press(key::shift);
    frameWith('A');
    frameWith('1');
    frameWith('0');
    frameWith(58);
    frameWith(63);
    frameWith(64);
    keyState.down[key::shift] = 0;
    frameWith('7');
    frameWith(58);
    frameWith(64);
    frameWith('Z');
    EXPECT_EQ(name(), "aA! */@7:@z");
    EXPECT_EQ(loop.nameLength, 11u);

    // Keypad digits and other codes type nothing; keys in one frame go in
    // ascending code order, after at most one Backspace.
    press(key::backspace);
    press('C');
    press('B');
    frameWith(96 + 5);
    EXPECT_EQ(name(), "aA! */@7:@bc");
    EXPECT_TRUE(isDown(96 + 5));
    keyState.down[96 + 5] = 0;
    press(key::backspace);
    frameWithoutTick(loop);
    EXPECT_EQ(name(), "aA! */@7:@b");
    EXPECT_FALSE(isDown(key::backspace));

    // P is never typed: it ends editing, and keys of that frame stay set.
    press('Q');
    frameWith('P');
    EXPECT_EQ(mode(), Mode::playing);
    EXPECT_EQ(name(), "aA! */@7:@b");
    EXPECT_TRUE(isDown('Q'));
    keyState.down['Q'] = 0;
    frameWith('D');  // not editing: nothing typed
    EXPECT_EQ(name(), "aA! */@7:@b");
}

TEST_F(FrameLogic, NamesStopAtNineteenCharacters) {
    preparePlayerName(loop);
    frameWith(key::enter);
    ASSERT_EQ(mode(), Mode::nameEditing);
    for (int i = 0; i < 19; ++i) frameWith(uint8_t('A' + i % 15));
    EXPECT_EQ(name(), "abcdefghijklmnoabcd");
    frameWith('Z');
    EXPECT_EQ(name(), "abcdefghijklmnoabcd");
    EXPECT_TRUE(isDown('Z'));  // left set at the limit
    press(key::backspace);
    frameWithoutTick(loop);  // Backspace first, then the held Z fits again
    EXPECT_EQ(name(), "abcdefghijklmnoabcz");
    EXPECT_EQ(loop.nameLength, 19u);
    EXPECT_EQ(playerName()[19], '\0');
}

TEST_F(FrameLogic, TheTypedNameFollowsThePlayersEntry) {
    HighscoreEntry* list = currentList();
    std::strcpy(list[0].name, "top");
    list[0].score = 1;
    gameState.playerSlot = unrankedSlot;
    preparePlayerName(loop);
    frameWith(key::enter);
    ASSERT_EQ(mode(), Mode::nameEditing);
    frameWith('R');
    frameWith('O');
    playerScore() = 5;
    promotePlayerEntry();
    ASSERT_EQ(gameState.playerSlot, 0u);
    frameWith('Y');
    EXPECT_STREQ(list[0].name, "roy");
    EXPECT_STREQ(list[1].name, "top");
}

}  // namespace
