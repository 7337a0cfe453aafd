// The board: spawns, moves, turns and kicks, and a tick's key order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "core_test_support.h"
#include "game/game_play.h"

namespace {

uint8_t& cell(int x, int y) {
    return playfield.cells[y * gridSize + x];
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
    std::string text = std::to_string(gameState.currentPiece.color) + ":";
    for (const PieceCell& c : gameState.currentPiece.cells) {
        text += " " + std::to_string(c.x) + "," + std::to_string(c.y);
        filled += cell(c.x, c.y) == gameState.currentPiece.color ? 0 : 100;
    }
    EXPECT_EQ(std::count(playfield.cells, std::end(playfield.cells), 0) + filled +
                  std::count(keyState.down, std::end(keyState.down), 0),
              gridSize * gridSize + 256)
        << steps;
    return text;
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

}  // namespace
