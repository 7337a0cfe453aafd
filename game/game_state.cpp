// The board: pieces are written into the grid with their colour, and every
// move or turn clears the old four cells before it writes the new ones.
#include "game/game_state.h"

#include <algorithm>

GameState gameState;
Playfield playfield;

namespace {

// The seven definitions: block 0 at (0, 0), the others as offsets from it,
// y growing upwards. The block order matters: pivot indexes it and the wall
// kicks test blocks 0 and 1 before blocks 2 and 3.
constexpr Piece pieceDefinitions[pieceTypes] = {
    {11, -1, {{0, 0}, {0, -1}, {1, 0}, {1, -1}}},    // square
    {12, 2, {{0, 0}, {0, -1}, {0, -2}, {0, -3}}},    // bar
    {9, 2, {{0, 0}, {0, -1}, {1, -1}, {1, -2}}},     // S, standing
    {10, 2, {{0, 0}, {0, -1}, {-1, -1}, {-1, -2}}},  // Z, standing
    {14, 0, {{0, 0}, {-1, 0}, {1, 0}, {0, -1}}},     // T, stem down
    {13, 0, {{0, 0}, {-1, 0}, {0, -1}, {0, -2}}},    // upside-down L
    {15, 0, {{0, 0}, {1, 0}, {0, -1}, {0, -2}}},     // upside-down J
};

uint8_t& cellAt(int x, int y) {
    return playfield.cells[y * gridSize + x];
}

// Only valid for cells that tested Free or belong to the placed piece, which
// are always inside the grid.
void writePieceCells(const PieceCell (&cells)[blocksPerPiece], uint8_t value) {
    for (const PieceCell& cell : cells) cellAt(cell.x, cell.y) = value;
}

bool rowIsFull(uint32_t row, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x) {
        if (playfield.cells[row * gridSize + x] == 0) return false;
    }
    return true;
}

bool anyTests(const PieceCell (&cells)[blocksPerPiece], int first, CellStatus status) {
    return testCell(cells[first].x, cells[first].y) == status ||
           testCell(cells[first + 1].x, cells[first + 1].y) == status;
}

void shiftColumns(PieceCell (&cells)[blocksPerPiece], int dx) {
    for (PieceCell& cell : cells) cell.x += dx;
}

}  // namespace

uint32_t activeWidth() {
    return std::min<uint32_t>(settings.fieldWidth, gridSize);
}

uint32_t activeHeight() {
    return std::min<uint32_t>(settings.fieldHeight, gridSize);
}

void makePiece(Piece& piece, int type) {
    if (type < 0 || type >= pieceTypes) return;
    piece = pieceDefinitions[type];
}

CellStatus testCell(int x, int y) {
    if (y < 0) return Blocked;  // the floor wins over the walls
    if (x < 0) return PastLeftWall;
    if (x >= static_cast<int>(activeWidth())) return PastRightWall;
    // The grid has no row above 29; a turn on a 29- or 30-row field can aim
    // there, and such a cell counts as taken.
    if (y >= gridSize) return Blocked;
    if (gameState.currentPiecePlaced) {
        for (const PieceCell& cell : gameState.currentPiece.cells) {
            if (cell.x == x && cell.y == y) return Free;  // a piece never blocks itself
        }
    }
    return cellAt(x, y) != 0 ? Blocked : Free;
}

bool movePiece(int dx, int dy) {
    if (!gameState.currentPiecePlaced) return false;
    Piece& piece = gameState.currentPiece;
    for (const PieceCell& cell : piece.cells) {
        if (testCell(cell.x + dx, cell.y + dy) != Free) return false;
    }
    // All old cells go before any new one is written: the two sets overlap.
    writePieceCells(piece.cells, 0);
    shiftColumns(piece.cells, dx);
    for (PieceCell& cell : piece.cells) cell.y += dy;
    writePieceCells(piece.cells, static_cast<uint8_t>(piece.color));
    return true;
}

void rotatePiece(int direction) {
    Piece& piece = gameState.currentPiece;
    if (piece.pivot < 0 || piece.pivot >= blocksPerPiece || direction == 0 ||
        !gameState.currentPiecePlaced) {
        return;
    }
    const PieceCell pivot = piece.cells[piece.pivot];
    PieceCell turned[blocksPerPiece];
    for (int i = 0; i < blocksPerPiece; ++i) {
        const PieceCell& cell = piece.cells[i];
        turned[i].x = pivot.x + direction * (cell.y - pivot.y);
        turned[i].y = pivot.y - direction * (cell.x - pivot.x);
    }
    // A turned cell past a side wall is kicked back below; one on a block or
    // below the floor refuses the turn, whatever a kick would have done.
    for (const PieceCell& cell : turned) {
        if (testCell(cell.x, cell.y) == Blocked) return;
    }
    // Kicks move whole columns, never rows. A piece spans at most four
    // columns and the field has at least four, so every loop ends between
    // the walls; each loop is monotonic, so it ends on any width.
    while (anyTests(turned, 0, PastLeftWall)) shiftColumns(turned, 1);
    while (anyTests(turned, 2, PastLeftWall)) shiftColumns(turned, 1);
    while (anyTests(turned, 0, PastRightWall)) shiftColumns(turned, -1);
    while (anyTests(turned, 2, PastRightWall)) shiftColumns(turned, -1);
    for (const PieceCell& cell : turned) {
        if (testCell(cell.x, cell.y) != Free) return;
    }
    writePieceCells(piece.cells, 0);
    std::copy(turned, turned + blocksPerPiece, piece.cells);
    writePieceCells(piece.cells, static_cast<uint8_t>(piece.color));
}

bool spawnPiece(Piece definition) {
    // The piece that was current is part of the field now; with the record
    // cleared its blocks count as blocks in the test below.
    gameState.currentPiece = Piece{};
    gameState.currentPiecePlaced = false;
    const int centre = (static_cast<int>(activeWidth()) - 1) / 2;
    const int top = static_cast<int>(activeHeight()) - 1;
    PieceCell target[blocksPerPiece];
    for (int i = 0; i < blocksPerPiece; ++i) {
        target[i].x = centre + definition.cells[i].x;
        target[i].y = top + definition.cells[i].y;
        if (testCell(target[i].x, target[i].y) != Free) return false;
    }
    Piece& piece = gameState.currentPiece;
    piece.pivot = definition.pivot;
    piece.color = definition.color;
    std::copy(target, target + blocksPerPiece, piece.cells);
    writePieceCells(piece.cells, static_cast<uint8_t>(piece.color));
    gameState.currentPiecePlaced = true;
    return true;
}

void clearRow(uint32_t row) {
    if (row >= static_cast<uint32_t>(gridSize)) return;
    std::fill_n(&playfield.cells[row * gridSize], activeWidth(), uint8_t{0});
}

void removeFullRows() {
    const uint32_t width = activeWidth();
    const uint32_t height = activeHeight();
    // Lowest full row first; each removal moves the rows above it (up to the
    // top active row, never the hidden ones) down by one, then scan again.
    for (;;) {
        uint32_t full = 0;
        while (full < height && !rowIsFull(full, width)) ++full;
        if (full == height) return;
        clearRow(full);
        ++gameState.clearedThisDrop;
        ++gameState.linesCleared;
        for (uint32_t row = full + 1; row < height; ++row) {
            uint8_t* from = &playfield.cells[row * gridSize];
            std::copy_n(from, width, from - gridSize);
            std::fill_n(from, width, uint8_t{0});
        }
    }
}
