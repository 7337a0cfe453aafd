#include "test_player.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "core_test_support.h"

namespace {

bool filled(int x, int y) {
    if (x < 0 || x >= int(settings.fieldWidth) || y < 0) return true;  // walls and floor
    return playfield.cells[y * gridSize + x] != 0;
}

// Higher is better, for the piece just dropped: a low landing, rows removed
// with its own cells, and few transitions, holes and wells left behind.
double evaluatePlacement() {
    const int width = int(settings.fieldWidth), height = int(settings.fieldHeight);
    int lowest = gridSize, highest = 0, fullRows = 0, erodedCells = 0;
    for (const PieceCell& cell : gameState.currentPiece.cells) {
        lowest = std::min(lowest, cell.y);
        highest = std::max(highest, cell.y);
    }
    for (int y = 0; y < height; ++y) {
        bool full = true;
        for (int x = 0; x < width && full; ++x) full = filled(x, y);
        if (!full) continue;
        ++fullRows;
        for (const PieceCell& cell : gameState.currentPiece.cells) erodedCells += cell.y == y;
    }
    gameState.clearedThisDrop = 0;
    removeFullRows();
    int rowTransitions = 0, columnTransitions = 0, holes = 0, wells = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x <= width; ++x) rowTransitions += filled(x - 1, y) != filled(x, y);
    }
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
            wellDepth = filled(x - 1, y) && filled(x + 1, y) ? wellDepth + 1 : 0;
            wells += wellDepth;
        }
    }
    return -4.500 * (lowest + highest) / 2.0 + 3.418 * fullRows * erodedCells -
           3.218 * rowTransitions - 9.349 * columnTransitions - 7.899 * holes - 3.386 * wells;
}

}  // namespace

Action planNextAction() {
    if (!gameState.currentPiecePlaced) return Action::none;  // waits for the lock
    // Every try runs on the real game variables and is undone from copies; a
    // turn that is refused makes a try that is never better than fewer turns.
    const GameState startState = gameState;
    const Playfield startField = playfield;
    double best = -std::numeric_limits<double>::infinity();
    Action bestAction = Action::drop;
    const int width = int(settings.fieldWidth);
    for (int turns = 0; turns < 4; ++turns) {
        for (int dx = -width; dx <= width; ++dx) {
            gameState = startState;
            playfield = startField;
            for (int t = 0; t < turns; ++t) rotatePiece(1);
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
    gameState = startState;
    playfield = startField;
    return bestAction;
}

void pressFor(Action action) {
    constexpr uint8_t keys[] = {0, key::up, key::left, key::right, key::space};
    if (action != Action::none) press(keys[int(action)]);
}
