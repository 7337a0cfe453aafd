// The board: shapes at spawn, the cell test, moves, turns with wall kicks and
// the removal of full rows.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>

#include "core_test_support.h"

namespace {

using Cells = std::set<std::pair<int, int>>;

Cells pieceCells() {
    Cells cells;
    for (const PieceCell& cell : gameState.currentPiece.cells) cells.insert({cell.x, cell.y});
    return cells;
}

uint8_t& cell(int x, int y) {
    return playfield.cells[y * gridSize + x];
}

class Board : public ::testing::Test {
protected:
    void SetUp() override { resetCore(); }

    void spawn(int type) {
        Piece definition{};
        makePiece(definition, type);
        ASSERT_TRUE(spawnPiece(definition));
    }
};

TEST_F(Board, EveryPieceSpawnsWithItsShapeAndColourAtTheTopCentre) {
    const std::vector<std::vector<std::string>> expected = {
        {"....bb....", "....bb....", "..........", ".........."},
        {"....c.....", "....c.....", "....c.....", "....c....."},
        {"....9.....", "....99....", ".....9....", ".........."},
        {"....a.....", "...aa.....", "...a......", ".........."},
        {"...eee....", "....e.....", "..........", ".........."},
        {"...dd.....", "....d.....", "....d.....", ".........."},
        {"....ff....", "....f.....", "....f.....", ".........."},
    };
    for (int type = 0; type < pieceTypes; ++type) {
        SCOPED_TRACE(type);
        setField({});
        spawn(type);
        const std::vector<std::string> picture = fieldPicture();
        EXPECT_EQ(std::vector<std::string>(picture.begin(), picture.begin() + 4), expected[type]);
        // Block 0 sits in the top active row at column (width - 1) / 2.
        EXPECT_EQ(gameState.currentPiece.cells[0].x, 4);
        EXPECT_EQ(gameState.currentPiece.cells[0].y, 19);
    }
}

TEST_F(Board, SpawnColumnFollowsTheWidthAndUnknownTypesChangeNothing) {
    for (const auto& [width, column] : {std::pair{4u, 1}, {10u, 4}, {11u, 5}, {30u, 14}}) {
        gameState.fieldWidth = width;
        setField({});
        spawn(1);
        EXPECT_EQ(gameState.currentPiece.cells[0].x, column) << width;
        EXPECT_EQ(gameState.currentPiece.cells[3].y, 16) << width;
    }
    Piece piece{};
    makePiece(piece, 4);
    const Piece before = piece;
    makePiece(piece, 7);
    makePiece(piece, -1);
    EXPECT_EQ(std::memcmp(&piece, &before, sizeof piece), 0);
}

TEST_F(Board, CellTestAppliesFloorWallsOwnCellsAndHiddenRowsInOrder) {
    gameState.fieldWidth = 8;
    gameState.fieldHeight = 6;
    spawn(0);                              // square at columns 3..4, rows 5..4
    EXPECT_EQ(testCell(-1, -1), Blocked);  // the floor comes before the wall
    EXPECT_EQ(testCell(3, -1), Blocked);
    EXPECT_EQ(testCell(-1, 0), PastLeftWall);
    cell(8, 0) = 5;  // stale content right of the active area
    EXPECT_EQ(testCell(8, 0), PastRightWall);
    EXPECT_EQ(testCell(8, -3), Blocked);
    EXPECT_EQ(testCell(3, 5), Free);  // the piece's own cell
    EXPECT_EQ(testCell(2, 5), Free);
    cell(2, 5) = 7;
    EXPECT_EQ(testCell(2, 5), Blocked);
    // A hidden row is judged by its content.
    EXPECT_EQ(testCell(1, 6), Free);
    cell(1, 6) = 3;
    EXPECT_EQ(testCell(1, 6), Blocked);
    // The grid ends at row 29: anything above counts as taken.
    EXPECT_EQ(testCell(1, 29), Free);
    EXPECT_EQ(testCell(1, 30), Blocked);
    EXPECT_EQ(testCell(1, 31), Blocked);
}

TEST_F(Board, MovesShiftThePieceOrRefuseWithoutChange) {
    gameState.fieldWidth = 6;
    gameState.fieldHeight = 6;
    spawn(4);                       // T: row 5 columns 1..3, stem at (2, 4)
    EXPECT_TRUE(movePiece(0, -1));  // overlapping old and new cells
    EXPECT_EQ(fieldPicture(), (std::vector<std::string>{"......", ".eee..", "..e...", "......",
                                                        "......", "......"}));
    EXPECT_TRUE(movePiece(-1, 0));
    EXPECT_FALSE(movePiece(-1, 0));  // wall
    EXPECT_TRUE(movePiece(1, 0));
    EXPECT_TRUE(movePiece(1, 0));
    EXPECT_TRUE(movePiece(1, 0));
    EXPECT_FALSE(movePiece(1, 0));
    cell(4, 0) = 1;
    EXPECT_TRUE(movePiece(0, -1));
    EXPECT_TRUE(movePiece(0, -1));
    const std::vector<std::string> resting = fieldPicture();
    EXPECT_EQ(resting, (std::vector<std::string>{"......", "......", "......", "...eee", "....e.",
                                                 "....x."}));
    EXPECT_FALSE(movePiece(0, -1));  // on the block
    EXPECT_EQ(fieldPicture(), resting);
    EXPECT_EQ(pieceCells(), (Cells{{4, 2}, {3, 2}, {5, 2}, {4, 1}}));
}

TEST_F(Board, SquareAndDirectionZeroNeverTurn) {
    spawn(0);
    const std::vector<std::string> before = fieldPicture();
    rotatePiece(1);
    rotatePiece(-1);
    EXPECT_EQ(fieldPicture(), before);
    setField({});
    spawn(4);
    const std::vector<std::string> withT = fieldPicture();
    rotatePiece(0);
    EXPECT_EQ(fieldPicture(), withT);
}

TEST_F(Board, TurnsGoClockwiseAndBackAboutThePivot) {
    gameState.fieldWidth = 6;
    gameState.fieldHeight = 8;
    spawn(4);  // T stem down at (2, 7)
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(movePiece(0, -1));
    const Cells spawned = pieceCells();
    rotatePiece(1);  // stem turns from down to left
    EXPECT_EQ(pieceCells(), (Cells{{2, 4}, {2, 5}, {2, 3}, {1, 4}}));
    EXPECT_EQ(fieldPicture(), (std::vector<std::string>{"......", "......", "..e...", ".ee...",
                                                        "..e...", "......", "......", "......"}));
    rotatePiece(-1);
    EXPECT_EQ(pieceCells(), spawned);
    rotatePiece(-1);  // stem turns from down to right
    EXPECT_EQ(pieceCells(), (Cells{{2, 4}, {2, 3}, {2, 5}, {3, 4}}));
    EXPECT_EQ(cell(1, 4), 0);
}

TEST_F(Board, TurnRightAfterSpawnLiftsACellIntoTheHiddenRows) {
    spawn(4);
    rotatePiece(1);
    EXPECT_EQ(cell(4, 20), 14);  // one row above the top active row
    EXPECT_EQ(fieldPicture()[0], "...ee.....");

    // On 28 rows an upside-down L turned twice reaches row 29, the last row
    // of the grid; on 29 and 30 rows that turn would leave the grid and is refused.
    for (const auto& [height, turns] : {std::pair{28u, 2}, {29u, 1}, {30u, 0}}) {
        SCOPED_TRACE(height);
        resetCore();
        gameState.fieldHeight = height;
        spawn(5);
        for (int i = 0; i < 2; ++i) {
            const Cells before = pieceCells();
            rotatePiece(1);
            EXPECT_EQ(pieceCells() != before, i < turns);
        }
        for (const PieceCell& c : gameState.currentPiece.cells) {
            EXPECT_LT(c.y, gridSize);
            EXPECT_EQ(cell(c.x, c.y), 13);
        }
    }
}

TEST_F(Board, WallKicksShiftWholeColumns) {
    spawn(1);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(movePiece(-1, 0));
    ASSERT_EQ(pieceCells(), (Cells{{0, 19}, {0, 18}, {0, 17}, {0, 16}}));
    rotatePiece(1);  // block 3 would land in column -1
    EXPECT_EQ(pieceCells(), (Cells{{0, 17}, {1, 17}, {2, 17}, {3, 17}}));
    EXPECT_EQ(fieldPicture()[2], "cccc......");
    EXPECT_EQ(fieldPicture()[1], "..........");

    setField({});
    spawn(1);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(movePiece(1, 0));
    rotatePiece(-1);  // block 3 would land in column 10
    EXPECT_EQ(fieldPicture()[2], "......cccc");
}

TEST_F(Board, KickedPositionOnABlockRefusesTheTurn) {
    spawn(1);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(movePiece(-1, 0));
    cell(3, 17) = 2;
    const Cells before = pieceCells();
    rotatePiece(1);
    EXPECT_EQ(pieceCells(), before);
    EXPECT_EQ(fieldPicture()[2], "c..2......");
    EXPECT_EQ(fieldPicture()[0], "c.........");
}

TEST_F(Board, TurnedCellOnABlockRefusesEvenWhenAKickWouldClearIt) {
    spawn(5);  // upside-down L, pivot block 0
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(movePiece(-1, 0));
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(movePiece(0, -1));
    ASSERT_EQ(pieceCells(), (Cells{{1, 14}, {0, 14}, {1, 13}, {1, 12}}));
    const std::vector<std::string> original = fieldPicture();

    // Turned: (1,14) (1,15) (0,14) (-1,14); the kick would move it to
    // (2,14) (2,15) (1,14) (0,14), clear of (1,15).
    cell(1, 15) = 4;
    rotatePiece(1);
    EXPECT_EQ(pieceCells(), (Cells{{1, 14}, {0, 14}, {1, 13}, {1, 12}}));

    cell(1, 15) = 0;
    rotatePiece(1);
    EXPECT_EQ(pieceCells(), (Cells{{2, 14}, {2, 15}, {1, 14}, {0, 14}}));
    EXPECT_NE(fieldPicture(), original);
}

TEST_F(Board, BarLyingOnTheFloorCannotTurn) {
    spawn(1);
    rotatePiece(1);
    for (int fall = 0; fall < gridSize && movePiece(0, -1); ++fall) {
    }
    ASSERT_EQ(fieldPicture()[19], "...cccc...");
    const Cells lying = pieceCells();
    rotatePiece(1);
    EXPECT_EQ(pieceCells(), lying);
    rotatePiece(-1);
    EXPECT_EQ(pieceCells(), lying);
    EXPECT_EQ(fieldPicture()[19], "...cccc...");
}

TEST_F(Board, FailedSpawnLeavesTheFieldAndAnUnplacedPiece) {
    gameState.fieldWidth = 4;
    gameState.fieldHeight = 4;
    cell(1, 1) = 3;
    Piece bar{};
    makePiece(bar, 1);
    const std::vector<std::string> before = fieldPicture();
    EXPECT_FALSE(spawnPiece(bar));
    EXPECT_EQ(fieldPicture(), before);
    const Piece zero{};
    EXPECT_EQ(std::memcmp(&gameState.currentPiece, &zero, sizeof zero), 0);
    EXPECT_FALSE(gameState.currentPiecePlaced);
    cell(0, 0) = 6;  // the all-zero record's cells hold no claim on (0, 0)
    EXPECT_EQ(testCell(0, 0), Blocked);
    EXPECT_FALSE(movePiece(1, 0));
    rotatePiece(1);
    rotatePiece(-1);
    EXPECT_EQ(fieldPicture(), (std::vector<std::string>{"....", "....", ".3..", "6..."}));
    // The blocks of the previous piece count as blocks for the next spawn.
    setField({});
    spawn(0);
    EXPECT_FALSE(spawnPiece(bar));
}

TEST_F(Board, FullRowsAreRemovedLowestFirstAndCounted) {
    gameState.fieldWidth = 5;
    gameState.fieldHeight = 6;
    setField({"..x..", "xxxxx", ".x.x.", "xxxxx"});
    gameState.clearedThisDrop = 0;
    gameState.linesCleared = 7;
    cell(6, 1) = 9;  // stale, right of the active area
    cell(2, 6) = 4;  // hidden row
    removeFullRows();
    EXPECT_EQ(gameState.clearedThisDrop, 2u);
    EXPECT_EQ(gameState.linesCleared, 9);
    EXPECT_EQ(fieldPicture(),
              (std::vector<std::string>{".....", ".....", ".....", ".....", "..x..", ".x.x."}));
    EXPECT_EQ(cell(6, 1), 9);
    EXPECT_EQ(cell(2, 6), 4);

    // A full top row goes without moving anything else; four at once too.
    setField({"xxxxx", "..x..", ".....", ".....", ".....", "x.x.x"});
    removeFullRows();
    EXPECT_EQ(fieldPicture(),
              (std::vector<std::string>{".....", "..x..", ".....", ".....", ".....", "x.x.x"}));
    setField({"..x..", "xxxxx", "xxxxx", "xxxxx", "xxxxx", "x...."});
    gameState.clearedThisDrop = 0;
    removeFullRows();
    EXPECT_EQ(gameState.clearedThisDrop, 4u);
    EXPECT_EQ(fieldPicture(),
              (std::vector<std::string>{".....", ".....", ".....", ".....", "..x..", "x...."}));
}

TEST_F(Board, ClearRowTouchesOnlyTheActiveWidthOfOneRow) {
    gameState.fieldWidth = 4;
    std::memset(playfield.cells, 5, sizeof playfield.cells);
    clearRow(2);
    for (int x = 0; x < gridSize; ++x) EXPECT_EQ(cell(x, 2), x < 4 ? 0 : 5) << x;
    EXPECT_EQ(cell(0, 1), 5);
    EXPECT_EQ(cell(0, 3), 5);
    clearRow(30);  // past the grid: nothing
    clearRow(4000000000u);
    EXPECT_EQ(cell(0, 29), 5);
}

}  // namespace
