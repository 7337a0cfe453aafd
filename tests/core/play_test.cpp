// Game play: moves, turns, kicks, a tick's key order and pacing, dealing, a game's end and start.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <limits>

#include "core_test_support.h"
#include "game/game_play.h"

namespace {

// rand as a test scripts it: the values in `draws`, counting the calls; when they run out, the C
// library's own sequence, which the other tests seed.
std::vector<int> draws;
size_t drawn = 0;

}  // namespace

extern "C" int rand() noexcept {
    const size_t call = drawn++;
    if (call < draws.size()) return draws[call];
    static const auto libraryRand = reinterpret_cast<int (*)()>(dlsym(RTLD_NEXT, "rand"));
    return libraryRand();
}

namespace {

uint8_t& cell(int x, int y) { return playfield.cells[y * gridSize + x]; }

// A piece as its colour and cells, "11: 4,19 4,18 5,19 5,18".
std::string shown(const Piece& piece) {
    std::string text = std::to_string(piece.color) + ":";
    for (const PieceCell& c : piece.cells)
        text += " " + std::to_string(c.x) + "," + std::to_string(c.y);
    return text;
}

std::vector<int> keysDown() {
    std::vector<int> codes;
    for (int code = 0; code < 256; ++code)
        if (keyState.down[code]) codes.push_back(code);
    return codes;
}

// Spawns a piece and runs the steps: < > v move, _ falls, R L turn, l r u c d press keys, !
// acts on them; the block "x,y" is set before the last. Gives the cells once the field holds them.
std::string afterSteps(int type, uint32_t width, uint32_t height, const char* block,
                       const std::string& steps) {
    const uint8_t keys[] = {keyLeft, keyRight, keyUp, keyControl, keyDown};
    resetCore();
    settings = {width, height};
    Piece definition{};
    makePiece(definition, type);
    spawnPiece(definition);
    int x = 0, y = 0, filled = 4;
    for (size_t i = 0; i < steps.size(); ++i) {
        const char s = steps[i];
        const size_t key = std::string("lrucd").find(s);
        if (i + 1 == steps.size() && std::sscanf(block, "%d,%d", &x, &y) == 2)
            cell(x, y) = 2, ++filled;
        if (s == '<' || s == '>' || s == 'v') movePiece((s == '>') - (s == '<'), -(s == 'v'));
        while (s == '_' && movePiece(0, -1)) {
        }
        if (s == 'R' || s == 'L') rotatePiece(s == 'R' ? 1 : -1);
        if (key != std::string::npos) keyState.down[keys[key]] = 1;
        if (s == '!') applyKeyActions();
    }
    // The field holds the piece in its colour and the blocks set, nothing else; every key acted.
    for (const PieceCell& c : gameState.currentPiece.cells) {
        EXPECT_EQ(int(cell(c.x, c.y)), gameState.currentPiece.color)
            << steps << ": the cell " << c.x << "," << c.y;
    }
    EXPECT_EQ(gridSize * gridSize - std::count(playfield.cells, std::end(playfield.cells), 0),
              filled)
        << steps << ": the cells taken";
    EXPECT_EQ(keysDown(), std::vector<int>{}) << steps << ": the key flags left set";
    return shown(gameState.currentPiece);
}

TEST(Board, EveryPieceTurnsBothWaysAboutItsPivot) {
    const std::tuple<int, const char*, const char*> cases[] = {
        // from block 0 at (4, 9); the cells worked out by hand from the turn rule
        {0, "11: 4,9 4,8 5,9 5,8", "11: 4,9 4,8 5,9 5,8"},
        {1, "12: 6,7 5,7 4,7 3,7", "12: 2,7 3,7 4,7 5,7"},
        {2, "9: 6,9 5,9 5,8 4,8", "9: 4,7 5,7 5,8 6,8"},
        {3, "10: 4,7 3,7 3,8 2,8", "10: 2,9 3,9 3,8 4,8"},
        {4, "14: 4,9 4,10 4,8 3,9", "14: 4,9 4,8 4,10 5,9"},
        {5, "13: 4,9 4,10 3,9 2,9", "13: 4,9 4,8 5,9 6,9"},
        {6, "15: 4,9 4,8 3,9 2,9", "15: 4,9 4,10 5,9 6,9"}};
    for (const auto& [type, clockwise, counterClockwise] : cases) {
        EXPECT_EQ(afterSteps(type, 10, 20, "", "vvvvvvvvvvR"), clockwise);
        EXPECT_EQ(afterSteps(type, 10, 20, "", "vvvvvvvvvvL"), counterClockwise);
    }
}

TEST(Board, MovesKicksAndKeyActionsFromKnownSpots) {
    const std::tuple<int, uint32_t, uint32_t, const char*, const char*, const char*> cases[] = {
        {6, 30, 20, "", "", "15: 14,19 15,19 14,18 14,17"},
        {4, 10, 6, "", "v<<<<>>>>>>>>vvvv", "14: 8,1 7,1 9,1 8,0"},
        {4, 10, 20, "4,9", "vvvvvvvvv", "14: 4,11 3,11 5,11 4,10"},
        {4, 10, 20, "", "R", "14: 4,19 4,20 4,18 3,19"},  // into the hidden row
        // Kicks: blocks 0 and 1 first, then 2 and 3, off each wall.
        {1, 10, 20, "", "<<<<R", "12: 3,17 2,17 1,17 0,17"},
        {1, 10, 20, "", "<<<<L", "12: 0,17 1,17 2,17 3,17"},
        {1, 10, 20, "", ">>>>>L", "12: 6,17 7,17 8,17 9,17"},
        {1, 10, 20, "", ">>>>>R", "12: 9,17 8,17 7,17 6,17"},
        {1, 10, 20, "3,17", "<<<<R", "12: 0,19 0,18 0,17 0,16"},  // the kicked place is taken
        {5, 10, 20, "1,15", "<<<vvvvvR", "13: 1,14 0,14 1,13 1,12"},
        {1, 10, 20, "", "R_RL", "12: 6,0 5,0 4,0 3,0"},
        // The grid ends at row 29: turns aiming above it are refused.
        {5, 10, 28, "", "RR", "13: 4,27 5,27 4,28 4,29"},
        {5, 10, 29, "", "RR", "13: 4,28 4,29 3,28 2,28"},
        {5, 10, 30, "", "RR", "13: 4,29 3,29 4,28 4,27"},
        // A tick applies Left, Right, Up, Control and Down in this order.
        {1, 10, 20, "3,19", "lu!", "12: 6,17 5,17 4,17 3,17"},
        {1, 10, 20, "", "<<<<lr!", "12: 1,19 1,18 1,17 1,16"},
        {1, 10, 20, "6,17", "uc!", "12: 2,17 3,17 4,17 5,17"},
        {1, 10, 20, "2,1", "vvvvvvvvvvvvvvvcd!", "12: 2,2 3,2 4,2 5,2"}};
    for (const auto& [type, width, height, block, steps, expected] : cases)
        EXPECT_EQ(afterSteps(type, width, height, block, steps), expected);
}

TEST(Play, TicksAreDueStrictlyAfterTheTickLengthLessTheCarry) {
    resetCore();
    const int64_t big = std::numeric_limits<int64_t>::max() / 2;  // a gap of months
    // Tick length, counter frequency, last tick and the counter now; a tick due, and the carry
    // after. Each step starts with the carry the one before left.
    const std::tuple<uint32_t, int64_t, int64_t, int64_t, bool, uint32_t> steps[] = {
        {30, 1000000, 0, 30000, false, 0},  // exactly the tick length
        {30, 1000000, 0, 40000, true, 10},
        {30, 1000000, 0, 20000, false, 10},  // exactly the length less the carry
        {30, 1000000, 0, 20001, true, 0},    // 20 whole ms
        {30, 1000000, 0, 60000, true, 30},   // lateness up to one whole tick is kept
        {30, 1000000, 0, 0, false, 30},      // no time since the last tick
        {30, 1000000, 0, 1, true, 0},        // a whole tick of credit: any time is enough
        {30, 1000000, 0, 100000, true, 0},   // beyond a whole tick it is dropped
        {30, 1000, 5, 36, true, 1},          // a millisecond counter
        {30, 1000000, 50, 40, false, 1},     // a counter behind the last tick: none due
        {30, 0, 0, 1000000000, false, 1},    // no counter frequency: no tick
        {0, 1000000, 0, 5000, true, 0},      // a tick length of 0 counts as 1 ms
        {30, 1000000000, 0, big, true, 0}};
    uint32_t clock = 0, carry = 0, step = 0;
    for (const auto& [limit, frequency, lastTick, now, tick, carryAfter] : steps) {
        SCOPED_TRACE(::testing::Message() << "step " << step++);
        settings.speedLimit = limit;
        TickTimer timer{frequency, lastTick, carry};
        timedGameStepAt(timer, now);
        clock += tick ? std::max(limit, 1u) : 0;
        carry = timer.carry;
        EXPECT_EQ(gameState.gameClock, clock) << "the game clock, a tick length per tick";
        EXPECT_EQ(carry, carryAfter) << "the carry";
        EXPECT_EQ(timer.lastTick, tick ? now : lastTick) << "the next tick counts from this one";
    }
}

// Ticks keep an average spacing of the tick length whatever the frame rate, as long as a frame
// comes at least once a tick: a tick may come up to a frame late, and the carry makes the next
// one due that much sooner. Only the whole milliseconds of lateness are credited, so a tick can
// lose less than one; over 10 s at 30 ms that is between 10000 / 31 and 10000 / 30 ticks. Frames
// further apart than a tick get one tick each, never a burst.
TEST(Play, TicksKeepTheirPaceAtAnyFrameRate) {
    constexpr int64_t frequency = 1000000;  // counts per second
    constexpr int64_t run = 10 * frequency;
    const struct {
        const char* frames;
        int64_t frameCounts;
        uint32_t fewest, most;
    } cases[] = {{"a frame every millisecond", 1000, 322, 333},
                 {"64 frames a second, Windows' timer", 15625, 322, 333},
                 {"a frame every 29 ms", 29000, 322, 333},
                 {"a frame every 40 ms", 40000, 250, 250},
                 {"a frame every 100 ms", 100000, 100, 100}};
    for (const auto& pace : cases) {
        resetCore();
        settings.speedLimit = 30;
        TickTimer timer{frequency, 0, 0};
        for (int64_t now = pace.frameCounts; now <= run; now += pace.frameCounts)
            timedGameStepAt(timer, now);
        const uint32_t ticks = gameState.gameClock / settings.speedLimit;
        EXPECT_GE(ticks, pace.fewest) << pace.frames;
        EXPECT_LE(ticks, pace.most) << pace.frames;
    }
}

// rand's remainder by 7 is the row of the piece table; the current piece is drawn first. Shown as
// colour and cells: the current piece where it lands on the 10 x 20 field (block 0 at column 4
// of row 19), the next one and the one dealt as the game ends as offsets from block 0.
TEST(Play, ANewGameDealsFromRandModSevenCurrentFirstAndStartsAFreshEntry) {
    // clang-format off
    const struct {
        std::vector<int> draws;
        const char *current, *next, *afterEnd;
    } deals[] = {
        // 7 = 7 + 0: the square; 13 = 7 + 6: the J; 2^31 - 1 = 7 * 306783378 + 1: the bar.
        {{7, 13, 2147483647}, "11: 4,19 4,18 5,19 5,18", "15: 0,0 1,0 0,-1 0,-2",
         "12: 0,0 0,-1 0,-2 0,-3"},
        // 16 = 14 + 2: the S; 3: the Z; 25 = 21 + 4: the T.
        {{16, 3, 25}, "9: 4,19 4,18 5,18 5,17", "10: 0,0 0,-1 -1,-1 -1,-2",
         "14: 0,0 -1,0 1,0 0,-1"},
        // 12 = 7 + 5: the L; 998 = 7 * 142 + 4: the T; 0: the square.
        {{12, 998, 0}, "13: 4,19 3,19 4,18 4,17", "14: 0,0 -1,0 1,0 0,-1",
         "11: 0,0 0,-1 1,0 1,-1"}};
    // clang-format on
    for (const auto& deal : deals) {
        for (const bool fromRanked : {true, false}) {  // the player's entry ranked, or not yet
            SCOPED_TRACE(::testing::Message()
                         << "draws " << deal.draws[0] << " " << deal.draws[1] << " "
                         << deal.draws[2] << (fromRanked ? ", ranked" : ", unranked"));
            resetCore();
            setList(10, 20, "a:50 b:45 zoe:40");
            playerSlot = fromRanked ? 2 : unrankedSlot;
            std::strcpy(currentList()[unrankedSlot].name, fromRanked ? "" : "zoe");
            currentList()[unrankedSlot].score = 7;
            std::memset(playfield.cells, 3, sizeof playfield.cells);  // the hidden rows too
            gameState.level = 9;  // all a new game resets, or must leave
            gameState.linesCleared = 12;
            gameState.clearedThisDrop = 3;
            gameState.gameClock = 900;
            draws = deal.draws;
            drawn = 0;
            newGame();
            const GameState& g = gameState;
            EXPECT_EQ(std::make_tuple(playerSlot, std::string(playerName()), playerScore(),
                                      ranked(10, 20), g.gameClock, g.level, g.linesCleared,
                                      g.clearedThisDrop, g.gameRunning, g.menuVisible),
                      std::make_tuple(10u, std::string("zoe"), 0u, std::string("a:50 b:45 zoe:40"),
                                      0u, 1u, 0, 3u, true, false));
            EXPECT_EQ(shown(g.currentPiece), deal.current);
            EXPECT_EQ(std::count(playfield.cells, std::end(playfield.cells), 0),
                      gridSize * gridSize - 4)
                << "the field cleared but for the current piece";
            for (const PieceCell& c : g.currentPiece.cells)
                EXPECT_EQ(int(cell(c.x, c.y)), g.currentPiece.color) << c.x << "," << c.y;
            EXPECT_EQ(shown(g.nextPiece), deal.next);
            // Taken for blocks it blocks the next one: the game ends, a preview is dealt all
            // the same, and the keys of that tick change nothing.
            gameState.currentPiecePlaced = false;
            const Playfield field = playfield;
            for (uint8_t key : {keyLeft, keyRight, keyUp, keyControl, keyDown, keySpace})
                keyState.down[key] = 1;
            gameState.gameClock = 9 * settings.speedLimit;  // gravity due
            gameTick();
            EXPECT_FALSE(g.gameRunning);
            EXPECT_EQ(shown(g.nextPiece), deal.afterEnd);
            EXPECT_EQ(drawn, 3u) << "rand called once for each piece";
            for (int at = 0; at < gridSize * gridSize; ++at)
                EXPECT_EQ(int(playfield.cells[at]), int(field.cells[at]))
                    << "the cell " << at % gridSize << "," << at / gridSize;
            EXPECT_EQ(keysDown(), std::vector<int>{}) << "the key flags of that tick";
        }
    }
    draws.clear();
}

}  // namespace
