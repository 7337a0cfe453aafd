// Game play: tick pacing, the pieces a new game and a lock deal, a game's end and start.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "core_test_support.h"
#include "game/game_play.h"

namespace {

void tick(std::initializer_list<uint8_t> keys, bool gravity) {
    for (uint8_t key : keys) keyState.down[key] = 1;
    gameState.gameClock = gravity ? 9 * settings.speedLimit : 0;
    gameTick();
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
        EXPECT_EQ(
            std::to_string(gameState.gameClock) + " " + std::to_string(carry) +
                (timer.lastTick != lastTick ? " timed" : ""),
            std::to_string(clock) + " " + std::to_string(carryAfter) + (tick ? " timed" : ""));
        EXPECT_GE(timer.lastSample,
                  std::max(timer.lastTick, lastSample == big ? 0 : lastSample + 1));
    }
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
        gameState.level = 9;  // all a new game resets, or must leave
        gameState.linesCleared = 12;
        gameState.clearedThisDrop = 3;
        gameState.gameClock = 900;
        std::srand(seed);
        const int current = std::rand() % 7, next = std::rand() % 7, afterEnd = std::rand() % 7;
        std::srand(seed);
        newGame();
        const GameState& g = gameState;
        ASSERT_EQ(std::make_tuple(playerSlot, std::string(playerName()), playerScore(),
                                  ranked(10, 20), g.gameClock, g.level, g.linesCleared,
                                  g.clearedThisDrop, g.gameRunning, g.menuVisible),
                  std::make_tuple(10u, std::string("zoe"), 0u, std::string("a:50 b:45 zoe:40"), 0u,
                                  1u, 0, 3u, true, false));
        ASSERT_EQ(
            std::make_tuple(std::count(playfield.cells, std::end(playfield.cells), 0),
                            int(playfield.cells[19 * gridSize + 4]), g.nextPiece.color),
            std::make_tuple(gridSize * gridSize - 4, typeColours[current], typeColours[next]));
        // Taken for blocks it blocks the next one: the game ends, a preview is dealt all the same.
        gameState.currentPiecePlaced = false;
        const Playfield field = playfield;
        tick({keyLeft, keyRight, keyUp, keyControl, keyDown, keySpace}, true);
        ASSERT_EQ(std::make_tuple(std::memcmp(&field, &playfield, sizeof field), g.gameRunning,
                                  g.nextPiece.color),
                  std::make_tuple(0, false, typeColours[afterEnd]))
            << seed;
    }
}

}  // namespace
