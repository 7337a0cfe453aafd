// Game play: tick pacing, gravity by level, the hard drop, the pieces a new
// game and a lock deal, the end of a game and a new game's fresh entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <thread>

#include "core_test_support.h"
#include "game/game_play.h"

namespace {

// One tick with these keys, with a gravity step or without.
void tick(std::initializer_list<uint8_t> keys, bool gravity) {
    for (uint8_t key : keys) press(key);
    gameState.gameClock = gravity ? 9 * settings.speedLimit : 0;
    gameTick();
}

// A level-1 game with a piece of the type falling and a T next.
void startWith(int type) {
    resetCore();
    makePiece(gameState.nextPiece, type);
    spawnPiece(gameState.nextPiece);
    makePiece(gameState.nextPiece, 4);
    gameState.level = 1;
}

TEST(Play, TicksAreDueStrictlyAfterTheTickLengthLessTheCarry) {
    resetCore();
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
        settings.speedLimit = limit;
        TickTimer timer{frequency, lastTick, lastSample, carry};
        timedGameStep(timer);
        clock += tick ? std::max(limit, 1u) : 0;
        carry = timer.carry;
        // The tick is timed from its end, and every call takes a new sample.
        EXPECT_EQ(
            std::to_string(gameState.gameClock) + " " + std::to_string(carry) +
                (timer.lastTick != lastTick ? " timed" : ""),
            std::to_string(clock) + " " + std::to_string(carryAfter) + (tick ? " timed" : ""));
        EXPECT_GE(timer.lastSample,
                  std::max(timer.lastTick, lastSample == big ? 0 : lastSample + 1));
    }
    // On the real counter: the first step after the start compares two
    // samples of the start itself; once a tick length has passed, one comes.
    TickTimer timer{0, 0, big, 17};
    initTickTimer(timer);
    timedGameStep(timer);
    EXPECT_EQ(gameState.gameClock + timer.carry, clock);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    timedGameStep(timer);
    timedGameStep(timer);
    EXPECT_EQ(gameState.gameClock, clock + 30);
}

TEST(Play, GravityFollowsTheLevelCountedFromTheStartOfTheGame) {
    // Rows the square falls in 18 ticks: one every 10 ticks at levels 1..5,
    // one tick less every five levels, one every tick from level 46 on.
    for (const auto& [level, rows] : {std::pair{1u, 1}, {5u, 1}, {6u, 2}, {45u, 9}, {46u, 18}}) {
        startWith(0);
        gameState.level = level;
        for (int n = 0; n < 18; ++n) gameTick();
        EXPECT_EQ(gameState.currentPiece.cells[0].y, 19 - rows) << level;
    }
    // After a level change the next step comes at the next multiple of the
    // new interval (9, 18), not a full interval after the last step (10).
    startWith(0);
    for (int n = 1; n <= 18; ++n) {
        gameState.level = n > 12 ? 6 : 1;
        gameTick();
        EXPECT_EQ(gameState.currentPiece.cells[0].y, n < 10 ? 19 : n < 18 ? 18 : 17) << n;
    }
}

TEST(Play, AHardDropWaitsForGravityToLockAndDownNeverLocks) {
    startWith(1);                      // a bar
    tick({keySpace, keyLeft}, false);  // Left first, then the drop: the bar is left unplaced
    tick({keyLeft, keyUp}, false);
    EXPECT_EQ(fieldPicture().substr(16 * 11), "...c....../...c....../...c....../...c......");
    tick({keyLeft}, true);  // gravity locks, and the tick's keys act on the new piece
    EXPECT_EQ(fieldPicture().substr(0, 21), "..eee...../...e......");
    for (int i = 0; i < 16; ++i) tick({keyDown}, false);
    EXPECT_TRUE(gameState.currentPiecePlaced);
    EXPECT_EQ(fieldPicture().substr(14 * 11),  // rows 5 to 0
              "..eee...../...e....../...c....../...c....../...c....../...c......");
    EXPECT_EQ(playerScore() + gameState.linesCleared, 0u);  // the drop awards nothing
}

TEST(Play, ANewGameDealsFromRandModSevenCurrentFirstAndStartsAFreshEntry) {
    constexpr int32_t typeColours[] = {11, 12, 9, 10, 14, 13, 15};  // by the piece table
    for (unsigned seed = 1; seed <= 200; ++seed) {
        resetCore();
        setList(10, 20, "a:50 b:45 zoe:40");
        playerSlot = seed % 2 == 0 ? 2 : unrankedSlot;  // from a ranked entry or the unranked one
        std::strcpy(currentList()[unrankedSlot].name, seed % 2 == 0 ? "" : "zoe");
        currentList()[unrankedSlot].score = 7;
        std::memset(playfield.cells, 3, sizeof playfield.cells);  // the hidden rows too
        gameState = {{}, false, {}, 9, 12, 3, 900, false, true, false, newGameLine, true};
        std::srand(seed);
        const int current = std::rand() % 7, next = std::rand() % 7, afterEnd = std::rand() % 7;
        std::srand(seed);
        newGame();
        const GameState& g = gameState;
        ASSERT_EQ(std::to_string(playerSlot) + " " + playerName() + std::to_string(playerScore()) +
                      " " + ranked(10, 20) + " " + std::to_string(g.gameClock) + " " +
                      std::to_string(g.level) + " " + std::to_string(g.linesCleared) + " " +
                      std::to_string(g.clearedThisDrop) +
                      (g.gameRunning && !g.menuVisible ? " running" : ""),
                  "10 zoe0 a:50 b:45 zoe:40 0 1 0 3 running");
        ASSERT_EQ(std::count(playfield.cells, std::end(playfield.cells), 0),
                  gridSize * gridSize - 4);
        ASSERT_EQ(playfield.cells[19 * gridSize + 4] * 100 + g.nextPiece.color,
                  typeColours[current] * 100 + typeColours[next])
            << seed;
        // The piece cannot fall and the next one finds it in its way: the game
        // ends, and the keys of that tick find no piece to move.
        int bottom = gridSize;
        for (const PieceCell& cell : g.currentPiece.cells) bottom = std::min(bottom, cell.y);
        std::memset(&playfield.cells[(bottom - 1) * gridSize], 1, 9);
        playfield.cells[0] = 5;
        const std::string field = fieldPicture();
        tick({keyLeft, keyRight, keyUp, keyControl, keyDown, keySpace}, true);
        ASSERT_EQ(fieldPicture() + (g.gameRunning ? " running " : " over ") +
                      std::to_string(g.nextPiece.color),
                  field + " over " + std::to_string(typeColours[afterEnd]))
            << seed;
    }
}

}  // namespace
