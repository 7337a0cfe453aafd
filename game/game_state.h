// The board: the process-wide game variables, the playfield grid and the
// falling pieces, with the operations that place, move and turn pieces and
// remove full rows. Fixed-size storage only; nothing here allocates.
#pragma once

#include <cstdint>

#include "store/settings.h"

// The grid is gridSize x gridSize cells: exactly the largest field.
constexpr int gridSize = static_cast<int>(maxFieldSize);
constexpr int pieceTypes = 7;
constexpr int blocksPerPiece = 4;

struct PieceCell {
    int32_t x;
    int32_t y;
};

// Ten signed 32-bit fields. In a definition (nextPiece) the cells are offsets
// from block 0; in a placed currentPiece they are field coordinates.
struct Piece {
    int32_t color;
    int32_t pivot;  // block index turned about, -1 for a piece that never turns
    PieceCell cells[blocksPerPiece];
};

// Moves refuse on any non-Free result; turns react to each value separately.
enum CellStatus : int { Free = 0, Blocked = 1, PastLeftWall = 2, PastRightWall = 3 };

// Cell (x, y) at index y * gridSize + x; row 0 is the bottom. 0 is empty,
// 1..15 are colour codes.
struct Playfield {
    uint8_t cells[gridSize * gridSize];
};

// The lines of the main menu and of the settings submenu, top down, as
// menuCursor numbers them. "Resume Game" is drawn, and holds the cursor, only
// while a game can be resumed.
enum MainMenuLine : uint32_t { resumeLine, newGameLine, settingsLine, exitLine };
enum SettingsMenuLine : uint32_t { widthLine, heightLine };

// The game variables. The field size and the other saved values are the
// settings (store/settings.h); the player's entry is in the highscore table.
struct GameState {
    Piece currentPiece = {};
    // True while currentPiece's cells are field coordinates holding its colour.
    // Unplaced (false) before the first game, after a failed spawn and after a
    // hard drop, when the record may hold a definition's relative offsets.
    bool currentPiecePlaced = false;
    Piece nextPiece = {};
    uint32_t level = 0;
    int32_t linesCleared = 0;
    uint32_t clearedThisDrop = 0;
    uint32_t gameClock = 0;  // ms of game time; non-zero: a game can be resumed
    bool gameRunning = false;
    bool menuVisible = true;
    bool settingsVisible = false;
    uint32_t menuCursor = newGameLine;
    bool windowActive = false;
};

extern GameState gameState;
extern Playfield playfield;

// The active area, columns and rows from 0: the field size, never more than
// the grid, whatever the settings hold. Nothing reads or draws beyond it.
uint32_t activeWidth();
uint32_t activeHeight();
void makePiece(Piece& piece, int type);
CellStatus testCell(int x, int y);
bool movePiece(int dx, int dy);
void rotatePiece(int direction);
bool spawnPiece(Piece definition);
void clearRow(uint32_t row);
void removeFullRows();
