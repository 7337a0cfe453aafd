// Game play: tick pacing, gravity by level, locking, scoring, levels, the key
// actions of a tick, the hard drop, the end of a game and a new game.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <tuple>

#include "core_test_support.h"
#include "game/game_play.h"
#include "platform/win32.h"

namespace {

class Play : public ::testing::Test {
protected:
    void SetUp() override {
        resetCore();
        std::srand(1234);
    }

    // A running level-1 game with a chosen current and next piece.
    void startWith(int type, int nextType) {
        setField({});
        Piece piece{};
        makePiece(piece, type);
        ASSERT_TRUE(spawnPiece(piece));
        makePiece(gameState.nextPiece, nextType);
        gameState.level = 1;
        gameState.gameRunning = true;
        gameState.menuVisible = false;
        gameState.playerSlot = unrankedSlot;
    }

    // One tick that does, or does not, include a gravity step at level 1.
    void tick(bool gravity) {
        const uint32_t limit = gameState.speedLimit;
        gameState.gameClock = gravity ? 9 * limit : 0;
        gameTick();
    }

    static void dropAndLock() {
        for (int fall = 0; fall < gridSize && movePiece(0, -1); ++fall) {
        }
        lockPiece();
    }
};

TEST_F(Play, TicksAreDueStrictlyAfterTheTickLengthLessTheCarry) {
    newGame();
    TickTimer timer{};

    elapse(timer, 30);  // exactly L: not due
    timedGameStep(timer);
    EXPECT_EQ(gameState.gameClock, 0u);

    elapse(timer, 40);
    timedGameStep(timer);
    EXPECT_EQ(gameState.gameClock, 30u);
    EXPECT_EQ(timer.carry, 10u);

    elapse(timer, 20);  // exactly L - carry: not due
    timedGameStep(timer);
    EXPECT_EQ(gameState.gameClock, 30u);
    EXPECT_EQ(timer.carry, 10u);

    timer.frequency = 1000000;
    timer.lastTick = 0;
    timer.lastSample = 20001;  // 20.001 ms: due, 20 whole ms elapsed
    timedGameStep(timer);
    EXPECT_EQ(gameState.gameClock, 60u);
    EXPECT_EQ(timer.carry, 0u);

    elapse(timer, 60);  // lateness up to one whole tick is kept
    timedGameStep(timer);
    EXPECT_EQ(timer.carry, 30u);
    elapse(timer, 0);
    timedGameStep(timer);
    EXPECT_EQ(gameState.gameClock, 90u);
    timer.lastSample = 1;  // with a whole tick of credit, any time at all is enough
    timedGameStep(timer);
    EXPECT_EQ(gameState.gameClock, 120u);
    EXPECT_EQ(timer.carry, 0u);
    elapse(timer, 100);  // beyond one whole tick it is dropped
    timedGameStep(timer);
    EXPECT_EQ(gameState.gameClock, 150u);  // one tick per call, no catch-up
    EXPECT_EQ(timer.carry, 0u);

    elapse(timer, 31);  // carry 0 + 31 - 30
    timedGameStep(timer);
    EXPECT_EQ(timer.carry, 1u);
}

TEST_F(Play, TheStepComparesThePreviousSampleAndTakesANewOne) {
    newGame();
    TickTimer timer{};
    timer.frequency = 1000;
    timer.lastTick = 500;
    timer.lastSample = 500;  // the real counter is far ahead, but unsampled
    timedGameStep(timer);
    EXPECT_EQ(gameState.gameClock, 0u);
    EXPECT_EQ(timer.lastTick, 500);
    EXPECT_GT(timer.lastSample, 500);

    LARGE_INTEGER before;
    ASSERT_TRUE(QueryPerformanceCounter(&before));
    timer.frequency = 1000;  // a millisecond counter
    timer.lastTick = 5;
    timer.lastSample = 36;
    timedGameStep(timer);
    EXPECT_EQ(gameState.gameClock, 30u);
    EXPECT_EQ(timer.carry, 1u);
    EXPECT_GE(timer.lastTick, before.QuadPart);
    EXPECT_GE(timer.lastSample, timer.lastTick);
}

TEST_F(Play, NoCounterFrequencyOrTickLengthEverDividesByZero) {
    newGame();
    TickTimer timer{};
    elapse(timer, 1000);
    timer.frequency = 0;  // no counter: no tick, but still a sample
    timedGameStep(timer);
    EXPECT_EQ(gameState.gameClock, 0u);
    EXPECT_NE(timer.lastSample, 1000 * 1000);

    gameState.speedLimit = 0;  // treated as one millisecond
    elapse(timer, 5);
    timedGameStep(timer);
    EXPECT_EQ(gameState.gameClock, 1u);
    for (int i = 0; i < 20; ++i) gameTick();
    EXPECT_EQ(gameState.gameClock, 21u);

    // A gap of months between samples: one tick, carry dropped.
    gameState.speedLimit = 30;
    timer.frequency = 1000000000;
    timer.lastTick = 0;
    timer.lastSample = std::numeric_limits<int64_t>::max() / 2;
    timer.carry = 0;
    timedGameStep(timer);
    EXPECT_EQ(gameState.gameClock, 51u);
    EXPECT_EQ(timer.carry, 0u);
}

TEST_F(Play, InitTickTimerReadsFrequencyThenTwoSamples) {
    TickTimer timer{};
    timer.carry = 17;
    initTickTimer(timer);
    EXPECT_GT(timer.frequency, 0);
    EXPECT_GT(timer.lastSample, 0);
    EXPECT_LE(timer.lastSample, timer.lastTick);
    EXPECT_EQ(timer.carry, 0u);
}

TEST_F(Play, GravityFollowsTheLevelCountedFromTheStartOfTheGame) {
    struct Case {
        uint32_t level;
        int ticks;
        int interval;
    };
    for (const Case& c : {Case{1, 30, 10}, Case{5, 30, 10}, Case{6, 27, 9}, Case{45, 12, 2},
                          Case{46, 12, 1}, Case{50, 12, 1}}) {
        SCOPED_TRACE(c.level);
        startWith(1, 1);
        gameState.level = c.level;
        gameState.gameClock = 0;
        for (int n = 1; n <= c.ticks; ++n) {
            const int y = gameState.currentPiece.cells[0].y;
            gameTick();
            EXPECT_EQ(gameState.currentPiece.cells[0].y, n % c.interval == 0 ? y - 1 : y) << n;
        }
    }

    // After a level change the next step comes at the next multiple of the
    // new interval, not a full interval after the last step.
    startWith(1, 1);
    gameState.gameClock = 0;
    for (int n = 1; n <= 12; ++n) gameTick();
    EXPECT_EQ(gameState.currentPiece.cells[0].y, 18);
    gameState.level = 6;
    for (int n = 13; n <= 17; ++n) gameTick();
    EXPECT_EQ(gameState.currentPiece.cells[0].y, 18);
    gameTick();
    EXPECT_EQ(gameState.currentPiece.cells[0].y, 17);
}

TEST_F(Play, LocksScoreTheRowsTheyRemoveAndSetTheLevel) {
    gameState.fieldWidth = 4;
    gameState.fieldHeight = 8;
    for (uint32_t rows = 0; rows <= 4; ++rows) {
        SCOPED_TRACE(rows);
        startWith(1, 0);
        // A well in column 1, where the bar spawns, three blocks deep per full row.
        std::vector<std::string> field(rows, "x.xx");
        field.insert(field.begin(), 4 - rows, "x...");
        setField(field);
        Piece bar{};
        makePiece(bar, 1);
        ASSERT_TRUE(spawnPiece(bar));
        playerScore() = 100;
        gameState.linesCleared = 2;
        dropAndLock();
        EXPECT_EQ(gameState.clearedThisDrop, rows);
        EXPECT_EQ(playerScore(), 100 + pointsForRows(rows));
        EXPECT_EQ(gameState.linesCleared, int(2 + rows));
        EXPECT_EQ(gameState.level, (2 + rows) / 4 + 1);
    }
}

TEST_F(Play, LevelRisesEveryFourRowsAndStopsAtFifty) {
    gameState.fieldWidth = 4;
    gameState.fieldHeight = 8;
    for (const auto& [before, rows, level] :
         {std::tuple{2, 1u, 1u}, {3, 1u, 2u}, {194, 1u, 49u}, {195, 1u, 50u}, {300, 4u, 50u}}) {
        SCOPED_TRACE(before);
        startWith(0, 0);
        std::vector<std::string> field(rows, "xxxx");
        setField(field);
        gameState.linesCleared = before;
        gameState.currentPiecePlaced = false;  // nothing falling: just lock
        lockPiece();
        EXPECT_EQ(gameState.linesCleared, before + int(rows));
        EXPECT_EQ(gameState.level, level);
    }
}

TEST_F(Play, OnlyALockThatRemovesRowsMovesThePlayerUp) {
    gameState.fieldWidth = 4;
    gameState.fieldHeight = 8;
    startWith(0, 0);
    HighscoreEntry* list = currentList();
    std::strcpy(list[0].name, "ada");
    list[0].score = 10;
    std::strcpy(list[1].name, "bob");
    list[1].score = 3;
    std::strcpy(list[unrankedSlot].name, "me");
    list[unrankedSlot].score = 2;
    gameState.currentPiecePlaced = false;
    lockPiece();  // no row: stays unranked although slot 9 is empty
    EXPECT_EQ(gameState.playerSlot, unrankedSlot);
    EXPECT_EQ(list[unrankedSlot].score, 2u);

    setField({"xxxx"});
    gameState.currentPiecePlaced = false;
    lockPiece();  // one row, score 3: passes the empty slots, stops below the equal score
    EXPECT_EQ(gameState.playerSlot, 2u);
    EXPECT_STREQ(list[2].name, "me");
    EXPECT_EQ(list[2].score, 3u);
    EXPECT_STREQ(list[1].name, "bob");
}

TEST_F(Play, HardDropLeavesAnUnplacedPieceThatLocksAtTheNextGravityStep) {
    startWith(1, 4);  // bar, then a T
    press(key::space);
    tick(false);
    EXPECT_FALSE(isDown(key::space));
    EXPECT_FALSE(gameState.currentPiecePlaced);
    std::vector<std::string> landed(20, "..........");
    for (int y = 16; y < 20; ++y) landed[y] = "....c.....";
    EXPECT_EQ(fieldPicture(), landed);
    EXPECT_EQ(playerScore(), 0u);  // the drop awards nothing

    press(key::left);
    tick(false);
    EXPECT_FALSE(isDown(key::left));
    EXPECT_EQ(fieldPicture(), landed);

    press(key::left);
    tick(true);  // locks, spawns the T; this tick's Left moves the T
    EXPECT_TRUE(gameState.currentPiecePlaced);
    EXPECT_EQ(gameState.currentPiece.color, 14);
    EXPECT_EQ(fieldPicture()[0], "..eee.....");
    EXPECT_EQ(fieldPicture()[16], "....c.....");
}

TEST_F(Play, LeftAndSpaceInOneTickMoveFirstThenDrop) {
    startWith(1, 4);
    press(key::space);
    press(key::left);
    tick(false);
    EXPECT_EQ(fieldPicture()[19], "...c......");
    EXPECT_EQ(fieldPicture()[16], "...c......");
}

TEST_F(Play, DownStepsButNeverLocksEarly) {
    startWith(0, 1);
    for (int i = 0; i < 18; ++i) {
        press(key::down);
        tick(false);
    }
    EXPECT_EQ(fieldPicture()[19], "....bb....");
    const Piece resting = gameState.currentPiece;
    press(key::down);
    tick(false);
    EXPECT_FALSE(isDown(key::down));
    EXPECT_TRUE(gameState.currentPiecePlaced);
    EXPECT_EQ(std::memcmp(&gameState.currentPiece, &resting, sizeof resting), 0);
    EXPECT_EQ(gameState.nextPiece.color, 12);  // the bar is still waiting
}

TEST_F(Play, TurnKeysTurnBothWays) {
    startWith(4, 0);
    press(key::up);
    tick(false);
    EXPECT_EQ(fieldPicture()[0], "...ee.....");
    press(key::control);
    tick(false);
    EXPECT_EQ(fieldPicture()[0], "...eee....");
    press(key::control);
    tick(false);
    EXPECT_EQ(fieldPicture()[0], "....ee....");
}

TEST_F(Play, GameEndsWhenTheNextPieceCannotBePlaced) {
    gameState.fieldWidth = 4;
    gameState.fieldHeight = 4;
    startWith(0, 1);                        // square in columns 1..2, rows 3..2
    playfield.cells[1 * gridSize + 1] = 1;  // the square rests on this block
    ASSERT_FALSE(movePiece(0, -1));

    // The bar would need column 1 from row 3 down: the square is there now.
    std::srand(99);
    const int drawn = std::rand() % pieceTypes;
    std::srand(99);
    Piece expectedNext{};
    makePiece(expectedNext, drawn);
    for (uint8_t code : {key::left, key::right, key::up, key::control, key::down, key::space}) {
        press(code);
    }
    const std::vector<std::string> before = fieldPicture();
    tick(true);
    EXPECT_FALSE(gameState.gameRunning);
    EXPECT_FALSE(gameState.menuVisible);
    EXPECT_FALSE(gameState.currentPiecePlaced);
    EXPECT_EQ(fieldPicture(), before);
    EXPECT_EQ(std::memcmp(&gameState.nextPiece, &expectedNext, sizeof expectedNext), 0);
    for (uint8_t code : {key::left, key::right, key::up, key::control, key::down, key::space}) {
        EXPECT_FALSE(isDown(code)) << int(code);
    }
}

TEST_F(Play, NewGameStartsAFreshEntryAndClearsOnlyTheActiveRows) {
    gameState.fieldWidth = 4;
    gameState.fieldHeight = 4;
    HighscoreEntry* list = currentList();
    std::strcpy(list[2].name, "zoe");
    list[2].score = 40;
    list[unrankedSlot].score = 7;
    gameState.playerSlot = 2;
    std::memset(playfield.cells, 3, sizeof playfield.cells);
    gameState.clearedThisDrop = 3;
    gameState.menuCursor = 1;
    gameState.gameClock = 900;
    gameState.linesCleared = 12;
    gameState.level = 4;

    newGame();
    EXPECT_EQ(gameState.playerSlot, unrankedSlot);
    EXPECT_STREQ(list[unrankedSlot].name, "zoe");
    EXPECT_EQ(list[unrankedSlot].score, 0u);
    EXPECT_STREQ(list[2].name, "zoe");  // the old entry keeps its place
    EXPECT_EQ(list[2].score, 40u);
    EXPECT_EQ(gameState.gameClock, 0u);
    EXPECT_EQ(gameState.level, 1u);
    EXPECT_EQ(gameState.linesCleared, 0);
    EXPECT_EQ(gameState.clearedThisDrop, 3u);
    EXPECT_TRUE(gameState.gameRunning);
    EXPECT_FALSE(gameState.menuVisible);
    EXPECT_TRUE(gameState.currentPiecePlaced);

    int pieceCells = 0;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) pieceCells += playfield.cells[y * gridSize + x] != 0;
    }
    EXPECT_EQ(pieceCells, 4);
    EXPECT_EQ(playfield.cells[0 * gridSize + 4], 3);  // right of the field
    EXPECT_EQ(playfield.cells[4 * gridSize + 0], 3);  // hidden row
    EXPECT_EQ(gameState.nextPiece.cells[0].x, 0);     // a definition
    EXPECT_EQ(gameState.nextPiece.cells[0].y, 0);
    EXPECT_NE(gameState.nextPiece.color, 0);

    // From the unranked slot nothing is copied; the score still restarts.
    list[unrankedSlot].score = 5;
    newGame();
    EXPECT_STREQ(list[unrankedSlot].name, "zoe");
    EXPECT_EQ(list[unrankedSlot].score, 0u);
}

}  // namespace
