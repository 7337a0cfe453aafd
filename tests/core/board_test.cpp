// The board: shapes at spawn, the cell test, moves, turns with wall kicks and
// the removal of full rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core_test_support.h"

namespace {

uint8_t& cell(int x, int y) {
    return playfield.cells[y * gridSize + x];
}

// The current piece's colour and its cells as "x,y" words in ascending order.
std::string pieceCells() {
    std::vector<std::pair<int, int>> cells;
    for (const PieceCell& c : gameState.currentPiece.cells) cells.push_back({c.x, c.y});
    std::sort(cells.begin(), cells.end());
    std::string text = std::to_string(gameState.currentPiece.color) + ":";
    for (const auto& [x, y] : cells) text += " " + std::to_string(x) + "," + std::to_string(y);
    return text;
}

class Board : public ::testing::Test {
protected:
    void SetUp() override { resetCore(); }
    static bool spawn(int type) {
        Piece definition{};
        makePiece(definition, type);
        return spawnPiece(definition);
    }
};

TEST_F(Board, UnknownPieceTypesChangeNothing) {
    Piece piece{};
    for (int type : {4, 7, -1}) makePiece(piece, type);
    EXPECT_EQ(piece.color, 14);
}

TEST_F(Board, CellTestOrdersFloorWallsOwnCellsAndTheGridTop) {
    settings.fieldWidth = 8;
    settings.fieldHeight = 6;
    spawn(0);        // square at columns 3..4, rows 5..4
    cell(8, 0) = 5;  // stale content right of the active area
    cell(2, 5) = 7;
    cell(1, 6) = 3;  // a hidden row is judged by its content
    const std::tuple<int, int, CellStatus> cases[] = {
        {-1, -1, Blocked}, {3, -1, Blocked}, {-1, 0, PastLeftWall}, {8, 0, PastRightWall},
        {7, 0, Free},      {8, -3, Blocked}, {3, 5, Free},          {2, 5, Blocked},
        {2, 4, Free},      {1, 6, Blocked},  {2, 6, Free},          {1, 29, Free},
        {1, 30, Blocked},  {1, 31, Blocked}};
    for (const auto& [x, y, status] : cases) EXPECT_EQ(testCell(x, y), status) << x << "," << y;
}

// Steps: < > v move, _ falls to the floor, R L 0 turn by +1, -1 and 0; a
// block is set at (bx, by) before the last step.
TEST_F(Board, MovesAndTurnsWithWallKicksRefuseWithoutChange) {
    const std::tuple<int, uint32_t, int, int, const char*, const char*> cases[] = {
        {0, 20, -1, 0, "", "11: 4,18 4,19 5,18 5,19"},  // every piece at the top centre
        {1, 20, -1, 0, "", "12: 4,16 4,17 4,18 4,19"},
        {2, 20, -1, 0, "", "9: 4,18 4,19 5,17 5,18"},
        {3, 20, -1, 0, "", "10: 3,17 3,18 4,18 4,19"},
        {5, 20, -1, 0, "", "13: 3,19 4,17 4,18 4,19"},
        {6, 20, -1, 0, "", "15: 4,17 4,18 4,19 5,19"},
        {4, 6, -1, 0, "v<<<<>>>>>>>>vvvv", "14: 7,1 8,0 8,1 9,1"},  // walls and blocks stop moves
        {4, 20, 4, 9, "vvvvvvvvv", "14: 3,11 4,10 4,11 5,11"},
        {4, 20, -1, 0, "R", "14: 3,19 4,18 4,19 4,20"},  // the stem turns into the hidden rows
        {4, 20, -1, 0, "vvvRL", "14: 3,16 4,15 4,16 5,16"},
        {4, 20, -1, 0, "vvvL", "14: 4,15 4,16 4,17 5,16"},
        {4, 20, -1, 0, "0", "14: 3,19 4,18 4,19 5,19"},
        {0, 20, -1, 0, "R", "11: 4,18 4,19 5,18 5,19"},      // the square never turns
        {1, 20, -1, 0, "<<<<R", "12: 0,17 1,17 2,17 3,17"},  // kicked off the left wall
        {1, 20, -1, 0, ">>>>>L", "12: 6,17 7,17 8,17 9,17"},
        {1, 20, -1, 0, "<<<<L", "12: 0,17 1,17 2,17 3,17"},  // blocks 0 and 1 kicked too
        {1, 20, -1, 0, ">>>>>R", "12: 6,17 7,17 8,17 9,17"},
        {1, 20, 3, 17, "<<<<R", "12: 0,16 0,17 0,18 0,19"},  // the kicked position is taken
        // A turned cell on a block refuses even where the kick would clear it.
        {5, 20, 1, 15, "<<<vvvvvR", "13: 0,14 1,12 1,13 1,14"},
        {5, 20, -1, 0, "<<<vvvvvR", "13: 0,14 1,14 2,14 2,15"},
        {1, 20, -1, 0, "R_RL", "12: 3,0 4,0 5,0 6,0"},  // lying on the floor
        // The grid ends at row 29: turns aiming above it are refused.
        {5, 28, -1, 0, "RR", "13: 4,27 4,28 4,29 5,27"},
        {5, 29, -1, 0, "RR", "13: 2,28 3,28 4,28 4,29"},
        {5, 30, -1, 0, "RR", "13: 3,29 4,27 4,28 4,29"}};
    for (const auto& [type, height, bx, by, steps, cells] : cases) {
        SCOPED_TRACE(std::to_string(type) + " " + steps);
        resetCore();
        settings.fieldHeight = height;
        spawn(type);
        for (const char* s = steps; *s; ++s) {
            if (s[1] == '\0' && bx >= 0) cell(bx, by) = 2;
            if (std::strchr("<>v", *s)) movePiece((*s == '>') - (*s == '<'), -(*s == 'v'));
            for (int fall = 0; *s == '_' && fall < gridSize; ++fall) movePiece(0, -1);
            if (std::strchr("RL0", *s)) rotatePiece((*s == 'R') - (*s == 'L'));
        }
        EXPECT_EQ(pieceCells(), cells);
        // The grid holds the piece in its colour and nothing of where it was.
        for (const PieceCell& p : gameState.currentPiece.cells)
            EXPECT_EQ(cell(p.x, p.y), gameState.currentPiece.color);
        EXPECT_EQ(std::count(playfield.cells, std::end(playfield.cells), 0),
                  gridSize * gridSize - 4 - (bx >= 0));
    }
}

TEST_F(Board, FailedSpawnLeavesTheFieldAndAnUnplacedPiece) {
    settings.fieldWidth = 4;
    settings.fieldHeight = 4;
    cell(1, 1) = 3;
    EXPECT_FALSE(spawn(1));
    EXPECT_EQ(pieceCells(), "0: 0,0 0,0 0,0 0,0");
    EXPECT_FALSE(gameState.currentPiecePlaced);
    cell(0, 0) = 6;  // the all-zero record's cells hold no claim on (0, 0)
    EXPECT_EQ(testCell(0, 0), Blocked);
    EXPECT_FALSE(movePiece(1, 0));
    rotatePiece(1);
    EXPECT_EQ(fieldPicture(), "..../..../.3../6...");
    setField("");  // the blocks of the previous piece count for the next spawn
    EXPECT_TRUE(spawn(0));
    EXPECT_FALSE(spawn(1));
}

TEST_F(Board, FullRowsAreRemovedLowestFirstAndCountedInTheActiveAreaOnly) {
    settings.fieldWidth = 5;
    settings.fieldHeight = 6;
    const std::tuple<const char*, const char*, uint32_t> cases[] = {
        {"..x../xxxxx/.x.x./xxxxx", "...../...../...../...../..x../.x.x.", 2},
        {"xxxxx/..x../...../...../...../x.x.x", "...../..x../...../...../...../x.x.x", 1},
        {"..x../xxxxx/xxxxx/xxxxx/xxxxx/x....", "...../...../...../...../..x../x....", 4}};
    for (const auto& [before, after, rows] : cases) {
        setField(before);
        cell(6, 1) = 9;  // stale, right of the active area
        cell(2, 6) = 4;  // hidden row
        gameState.clearedThisDrop = 0;
        gameState.linesCleared = 7;
        removeFullRows();
        EXPECT_EQ(fieldPicture(), after) << before;
        EXPECT_EQ(gameState.clearedThisDrop, rows);
        EXPECT_EQ(gameState.linesCleared, int(7 + rows));
        EXPECT_EQ(cell(6, 1) * 10 + cell(2, 6), 94);
    }
    std::memset(playfield.cells, 5, sizeof playfield.cells);
    for (uint32_t row : {2u, 30u, 4000000000u}) clearRow(row);  // rows past the grid: nothing
    for (int i = 0; i < gridSize * gridSize; ++i)
        EXPECT_EQ(playfield.cells[i], i / gridSize == 2 && i % gridSize < 5 ? 0 : 5) << i;
}

}  // namespace
