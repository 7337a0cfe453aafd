#include "test_player.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "core_test_support.h"

namespace {

// The board planner: copies of the game variables, restored after each try.
struct Snapshot {
    GameState state;
    Playfield field;
};

Snapshot takeSnapshot() {
    return {gameState, playfield};
}
void restore(const Snapshot& snapshot) {
    gameState = snapshot.state;
    playfield = snapshot.field;
}

bool filled(int x, int y) {
    if (x < 0 || x >= int(gameState.fieldWidth) || y < 0) return true;  // walls and floor
    return playfield.cells[y * gridSize + x] != 0;
}

// Higher is better, for the piece just dropped: a low landing, rows removed
// with its own cells, and few transitions, holes and wells left behind.
double evaluatePlacement() {
    const int width = int(gameState.fieldWidth);
    const int height = int(gameState.fieldHeight);
    int lowest = gridSize;
    int highest = 0;
    for (const PieceCell& cell : gameState.currentPiece.cells) {
        lowest = std::min(lowest, cell.y);
        highest = std::max(highest, cell.y);
    }
    int fullRows = 0;
    int erodedCells = 0;
    for (int y = 0; y < height; ++y) {
        bool full = true;
        for (int x = 0; x < width && full; ++x) full = filled(x, y);
        if (!full) continue;
        ++fullRows;
        for (const PieceCell& cell : gameState.currentPiece.cells) erodedCells += cell.y == y;
    }
    gameState.clearedThisDrop = 0;
    removeFullRows();

    int rowTransitions = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x <= width; ++x) rowTransitions += filled(x - 1, y) != filled(x, y);
    }
    int columnTransitions = 0;
    int holes = 0;
    int wells = 0;
    for (int x = 0; x < width; ++x) {
        bool covered = false;
        int wellDepth = 0;
        for (int y = gridSize - 1; y >= 0; --y) {
            if (y < height) columnTransitions += filled(x, y) != filled(x, y - 1);
            if (filled(x, y)) {
                covered = true;
                wellDepth = 0;
                continue;
            }
            holes += covered;
            if (filled(x - 1, y) && filled(x + 1, y)) {
                wells += ++wellDepth;
            } else {
                wellDepth = 0;
            }
        }
    }
    return -4.500 * (lowest + highest) / 2.0 + 3.418 * fullRows * erodedCells -
           3.218 * rowTransitions - 9.349 * columnTransitions - 7.899 * holes - 3.386 * wells;
}

}  // namespace

Action planNextAction() {
    if (!gameState.currentPiecePlaced) return Action::none;  // waits for the lock
    const Snapshot start = takeSnapshot();
    double best = -std::numeric_limits<double>::infinity();
    Action bestAction = Action::drop;
    const int width = int(gameState.fieldWidth);
    for (int turns = 0; turns < 4; ++turns) {
        restore(start);
        bool turned = true;
        for (int t = 0; t < turns && turned; ++t) {
            // Block 1 is never the pivot: a turn that happens always moves it.
            const PieceCell before = gameState.currentPiece.cells[1];
            rotatePiece(1);
            turned = gameState.currentPiece.cells[1].x != before.x ||
                     gameState.currentPiece.cells[1].y != before.y;
        }
        if (!turned) continue;
        const Snapshot afterTurns = takeSnapshot();
        for (int dx = -width; dx <= width; ++dx) {
            restore(afterTurns);
            bool moved = true;
            for (int step = 0; step < std::abs(dx) && moved; ++step)
                moved = movePiece(dx < 0 ? -1 : 1, 0);
            if (!moved) continue;
            for (int fall = 0; fall < gridSize && movePiece(0, -1); ++fall) {
            }
            const double value = evaluatePlacement() - 0.001 * (turns + std::abs(dx));
            if (value > best) {
                best = value;
                bestAction = turns > 0 ? Action::turn
                             : dx < 0  ? Action::left
                             : dx > 0  ? Action::right
                                       : Action::drop;
            }
        }
    }
    restore(start);
    return bestAction;
}

void pressFor(Action action) {
    switch (action) {
        case Action::turn:
            press(key::up);
            break;
        case Action::left:
            press(key::left);
            break;
        case Action::right:
            press(key::right);
            break;
        case Action::drop:
            press(key::space);
            break;
        case Action::none:
            break;
    }
}
