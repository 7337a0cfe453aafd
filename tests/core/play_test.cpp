// Game play: tick pacing, gravity by level, locking, scoring, levels, the key
// actions of a tick, the hard drop, the end of a game and a new game.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <tuple>

#include "game/clock.h"
#include "core_test_support.h"
#include "game/game_play.h"

namespace {

// Row y of the grid, counted from the bottom, as far as the field is wide.
std::string row(int y) {
    std::string text;
    for (int x = 0; x < int(settings.fieldWidth); ++x)
        text += ".123456789abcdef"[playfield.cells[y * gridSize + x] & 15];
    return text;
}

class Play : public ::testing::Test {
protected:
    void SetUp() override {
        resetCore();
        std::srand(1234);
    }

    // A running level-1 game with a chosen current and next piece.
    static void startWith(int type, int nextType) {
        setField("");
        Piece piece{};
        makePiece(piece, type);
        ASSERT_TRUE(spawnPiece(piece));
        makePiece(gameState.nextPiece, nextType);
        gameState.level = 1;
        gameState.gameClock = 0;
        gameState.gameRunning = true;
        gameState.menuVisible = false;
        playerSlot = unrankedSlot;
    }

    // One tick that does, or does not, include a gravity step at level 1.
    static void tick(bool gravity) {
        gameState.gameClock = gravity ? 9 * settings.speedLimit : 0;
        gameTick();
    }
};

TEST_F(Play, TicksAreDueStrictlyAfterTheTickLengthLessTheCarry) {
    newGame();
    const int64_t big = std::numeric_limits<int64_t>::max() / 2;  // a gap of months
    // Tick length, counter frequency, last tick and sample; a tick due, and the carry after.
    const std::tuple<uint32_t, int64_t, int64_t, int64_t, bool, uint32_t> steps[] = {
        {30, 1000000, 0, 30000, false, 0},  // exactly the tick length
        {30, 1000000, 0, 40000, true, 10},
        {30, 1000000, 0, 20000, false, 10},  // exactly the length less the carry
        {30, 1000000, 0, 20001, true, 0},    // 20 whole ms
        {30, 1000000, 0, 60000, true, 30},   // lateness up to one whole tick is kept
        {30, 1000000, 0, 0, false, 30},      // no time since the last sample
        {30, 1000000, 0, 1, true, 0},        // a whole tick of credit: any time is enough
        {30, 1000000, 0, 100000, true, 0},   // beyond a whole tick it is dropped
        {30, 1000, 5, 36, true, 1},          // a millisecond counter
        {30, 0, 0, 1000000000, false, 1},    // no counter frequency: no tick
        {0, 1000000, 0, 5000, true, 0},      // a tick length of 0 counts as 1 ms
        {30, 1000000000, 0, big, true, 0}};
    uint32_t clock = 0, carry = 0;
    for (const auto& [limit, frequency, lastTick, lastSample, tick, carryAfter] : steps) {
        SCOPED_TRACE(std::to_string(lastSample) + " after " + std::to_string(lastTick));
        settings.speedLimit = limit;
        TickTimer timer{frequency, lastTick, lastSample, carry};
        const int64_t now = counterValue();
        timedGameStep(timer);
        clock += tick ? std::max(limit, 1u) : 0;
        EXPECT_EQ(gameState.gameClock, clock);
        EXPECT_EQ(carry = timer.carry, carryAfter);
        EXPECT_EQ(timer.lastTick >= now, tick);           // the tick is timed from its end
        EXPECT_GE(timer.lastSample, timer.lastTick);      // and every call takes a new sample
        EXPECT_GE(timer.lastSample, now);
    }
    TickTimer timer{};
    timer.carry = 17;
    initTickTimer(timer);
    EXPECT_GT(timer.frequency, 0);
    EXPECT_GT(timer.lastSample, 0);
    EXPECT_LE(timer.lastSample, timer.lastTick);
    EXPECT_EQ(timer.carry, 0u);
}

TEST_F(Play, GravityFollowsTheLevelCountedFromTheStartOfTheGame) {
    // Rows the square falls in 18 ticks: one every 10 ticks at levels 1..5,
    // one tick less every five levels, one every tick from level 46 on.
    for (const auto& [level, rows] :
         {std::pair{1u, 1}, {5u, 1}, {6u, 2}, {45u, 9}, {46u, 18}, {50u, 18}}) {
        startWith(0, 0);
        gameState.level = level;
        for (int n = 0; n < 18; ++n) gameTick();
        EXPECT_EQ(gameState.currentPiece.cells[0].y, 19 - rows) << level;
    }
    // After a level change the next step comes at the next multiple of the
    // new interval, not a full interval after the last step.
    startWith(0, 0);
    for (int n = 1; n <= 12; ++n) gameTick();
    gameState.level = 6;
    for (int n = 13; n <= 17; ++n) gameTick();
    EXPECT_EQ(gameState.currentPiece.cells[0].y, 18);
    gameTick();
    EXPECT_EQ(gameState.currentPiece.cells[0].y, 17);
}

TEST_F(Play, LocksScoreTheirRowsSetTheLevelAndOnlyRowsMoveThePlayerUp) {
    // Lines cleared before, full rows at the lock, and the level after.
    const std::tuple<int, uint32_t, uint32_t> cases[] = {{2, 0, 1},    {2, 1, 1},    {3, 1, 2},
                                                         {2, 2, 2},    {2, 3, 2},    {2, 4, 2},
                                                         {194, 1, 49}, {195, 1, 50}, {300, 4, 50}};
    for (const auto& [before, rows, level] : cases) {
        SCOPED_TRACE(std::to_string(before) + " + " + std::to_string(rows));
        resetCore();
        settings.fieldWidth = 4;
        settings.fieldHeight = 8;
        playerSlot = unrankedSlot;
        std::string field = "x...";
        for (uint32_t r = 0; r < rows; ++r) field += "/xxxx";
        setField(field);
        playerScore() = 100;  // above every empty ranked slot
        gameState.linesCleared = before;
        gameState.clearedThisDrop = 9;
        lockPiece();  // nothing falling: just lock
        EXPECT_EQ(gameState.clearedThisDrop, rows);
        EXPECT_EQ(playerScore(), 100 + pointsForRows[rows]);
        EXPECT_EQ(gameState.linesCleared, before + int(rows));
        EXPECT_EQ(gameState.level, level);
        EXPECT_EQ(playerSlot, rows > 0 ? 0u : unrankedSlot);
    }
}

TEST_F(Play, KeysOfATickActInOrderAndOnlyGravityLocks) {
    startWith(1, 4);  // bar, then a T
    // Keys of one tick (repeated), gravity, and the rows from `top` down with
    // block 0 of the current piece and whether it is placed.
    // Left goes first, then the drop; the unplaced piece waits for the next
    // gravity step, whose lock comes before the keys; Down never locks.
    const std::tuple<std::vector<uint8_t>, int, bool, int, const char*> ticks[] = {
        {{key::space, key::left}, 1, false, 4, "........../...c....../...c...... 0,0"},
        {{key::left}, 1, false, 4, "........../...c....../...c...... 0,0"},
        {{key::left}, 1, true, 20, "........../..eee...../...e...... 3,19 placed"},
        {{key::control}, 1, false, 20, "...e....../...ee...../...e...... 3,19 placed"},
        {{key::up}, 1, false, 20, "........../..eee...../...e...... 3,19 placed"},
        {{key::down}, 16, false, 6, "........../..eee...../...e...... 3,5 placed"}};
    for (const auto& [keys, times, gravity, top, state] : ticks) {
        for (int i = 0; i < times; ++i) {
            for (uint8_t code : keys) press(code);
            tick(gravity);
            for (uint8_t code : keys) EXPECT_FALSE(isDown(code));
        }
        const PieceCell block0 = gameState.currentPiece.cells[0];
        EXPECT_EQ(row(top) + "/" + row(top - 1) + "/" + row(top - 2) + " " +
                      std::to_string(block0.x) + "," + std::to_string(block0.y) +
                      (gameState.currentPiecePlaced ? " placed" : ""),
                  state);
    }
    EXPECT_EQ(playerScore(), 0u);  // the drop awards nothing
}

TEST_F(Play, NewGameStartsAFreshEntryOnAnEmptyGrid) {
    settings.fieldWidth = 4;
    settings.fieldHeight = 4;
    setList(4, 4, "a:50 b:45 zoe:40");
    playerSlot = 2;
    std::memset(playfield.cells, 3, sizeof playfield.cells);
    gameState.clearedThisDrop = 3;
    gameState.gameClock = 900;
    gameState.linesCleared = 12;
    for (int game = 0; game < 2; ++game) {  // the second from the unranked slot
        currentList()[unrankedSlot].score = 7;
        newGame();
        const GameState& g = gameState;
        EXPECT_EQ(std::to_string(playerSlot) + " " + playerName() + std::to_string(playerScore()) +
                      " " + std::to_string(g.gameClock) + " " + std::to_string(g.level) + " " +
                      std::to_string(g.linesCleared) + " " + std::to_string(g.clearedThisDrop) +
                      (g.gameRunning && g.currentPiecePlaced && !g.menuVisible ? " running" : ""),
                  "10 zoe0 0 1 0 3 running");
        EXPECT_EQ(ranked(4, 4), "a:50 b:45 zoe:40");  // the old entry keeps its place
    }
    // Nothing is left but the new piece, in the hidden rows and beyond the
    // field's columns neither.
    EXPECT_EQ(std::count(std::begin(playfield.cells), std::end(playfield.cells), 0),
              gridSize * gridSize - 4);
}

TEST_F(Play, AGameOnALowerFieldFindsNothingLeftAboveIt) {
    using namespace key;
    std::srand(13);  // the next game's first piece is a T
    LoopState loop;
    // A game on 24 rows, every piece dropped at once, until the centre is full.
    settings.fieldHeight = 24;
    press(enter);
    frameWithoutTick(loop);
    for (int frame = 0; gameState.gameRunning && frame < 10000; ++frame) {
        press(space);
        frameWithTick(loop);
    }
    ASSERT_FALSE(gameState.gameRunning);
    // Back to the menu, four rows fewer in the settings, a new game, and its
    // first piece turned at once: a T, which reaches a row above the field.
    for (uint8_t code : {enter, down, enter, down, left, left, left, left, escape, up, enter})
        press(code), frameWithoutTick(loop);
    ASSERT_EQ(
        std::to_string(settings.fieldHeight) + " " + std::to_string(gameState.currentPiece.color),
        "20 14");
    const std::string spawned = fieldPicture();
    press(up);
    frameWithTick(loop);
    EXPECT_EQ(spawned.substr(0, 21) + " " + fieldPicture().substr(0, 21),
              "...eee..../....e..... ...ee...../....e.....");
    EXPECT_EQ(std::count(std::begin(playfield.cells), std::end(playfield.cells), 0),
              gridSize * gridSize - 4);
}

}  // namespace
