// Running a game. Pacing is integer arithmetic on the performance counter
// only: at most one tick per call, lateness credited to the next tick up to
// one whole tick and dropped beyond that.
#include "game/game_play.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "game/clock.h"
#include "game/game_state.h"
#include "game/key_state.h"
#include "store/highscores.h"
#include "store/settings.h"

namespace {

constexpr int64_t millisecondsPerSecond = 1000;
constexpr uint32_t slowestGravityInterval = 10;  // ticks per row at level 1
constexpr uint32_t levelsPerInterval = 5;
constexpr uint32_t rowsPerLevel = 4;
constexpr uint32_t maxLevel = 50;
// Points for the rows one lock removes (a piece spans at most four rows).
constexpr uint32_t rowPoints[] = {0, 1, 3, 5, 8};
constexpr uint32_t maxRowsPerLock = blocksPerPiece;

// The tick length in ms. A 0 never comes from the settings reader; treating
// it as 1 here keeps the gravity test from dividing by zero all the same.
uint32_t tickLength() {
    return std::max<uint32_t>(settings.speedLimit, 1);
}

uint32_t gravityInterval() {
    const uint32_t level = std::clamp<uint32_t>(gameState.level, 1, maxLevel);
    return slowestGravityInterval - (level - 1) / levelsPerInterval;
}

int randomPieceType() {
    return std::rand() % pieceTypes;
}

// Both factors are non-negative; a product past the 64-bit range saturates
// instead of overflowing (only a gap of months between samples gets there).
int64_t saturatingProduct(int64_t a, int64_t b) {
    if (a != 0 && b > std::numeric_limits<int64_t>::max() / a) {
        return std::numeric_limits<int64_t>::max();
    }
    return a * b;
}

void hardDrop() {
    while (movePiece(0, -1)) {
    }
    // The dropped piece stays as blocks of the field; the current piece is now
    // unplaced until the next gravity step locks and spawns.
    gameState.currentPiece = gameState.nextPiece;
    gameState.currentPiecePlaced = false;
}

}  // namespace

void initTickTimer(TickTimer& timer) {
    timer.frequency = countsPerSecond();
    timer.lastTick = counterValue();
    timer.carry = 0;
}

void timedGameStep(TickTimer& timer) {
    timedGameStepAt(timer, counterValue());
}

// The counter is read when the step runs, not at the end of the frame before:
// a sample one frame old would hide that frame's time from the carry, and at
// 64 frames a second every tick would come a frame late, 46 ms apart for 30.
void timedGameStepAt(TickTimer& timer, int64_t now) {
    const int64_t limit = tickLength();
    const int64_t elapsedCount = now - timer.lastTick;
    // Without a usable counter frequency no tick is ever due (the elapsed
    // time would divide by it); the game then stands still.
    if (timer.frequency <= 0 || elapsedCount <= 0) return;
    const int64_t carry = std::min<int64_t>(timer.carry, limit);
    const int64_t scaledElapsed = saturatingProduct(elapsedCount, millisecondsPerSecond);
    if (scaledElapsed <= saturatingProduct(limit - carry, timer.frequency)) return;
    const int64_t elapsedMs = scaledElapsed / timer.frequency;
    // Lateness beyond one whole tick is dropped, never caught up.
    const int64_t late = carry + elapsedMs - limit;
    timer.carry = late > limit ? 0 : static_cast<uint32_t>(late);
    timer.lastTick = now;
    gameTick();
}

void gameTick() {
    const uint32_t limit = tickLength();
    gameState.gameClock += limit;
    // gameClock counts whole ticks since the new game, so this is every tick
    // whose number is a multiple of the interval of the current level.
    const uint64_t gravityPeriod = uint64_t{gravityInterval()} * limit;
    if (gameState.gameClock % gravityPeriod == 0) gravityStep();
    applyKeyActions();
}

void gravityStep() {
    if (!movePiece(0, -1)) lockPiece();
}

void lockPiece() {
    gameState.clearedThisDrop = 0;
    removeFullRows();
    const uint32_t rows = std::min(gameState.clearedThisDrop, maxRowsPerLock);
    playerScore() += rowPoints[rows];
    if (rows > 0) promotePlayerEntry();
    const uint32_t lines = static_cast<uint32_t>(std::max(gameState.linesCleared, 0));
    gameState.level = std::min(lines / rowsPerLevel + 1, maxLevel);
    if (!spawnPiece(gameState.nextPiece)) gameState.gameRunning = false;
    makePiece(gameState.nextPiece, randomPieceType());
}

void applyKeyActions() {
    if (takeKey(keyLeft)) movePiece(-1, 0);
    if (takeKey(keyRight)) movePiece(1, 0);
    if (takeKey(keyUp)) rotatePiece(1);
    if (takeKey(keyControl)) rotatePiece(-1);
    if (takeKey(keyDown)) movePiece(0, -1);  // a refused step does not lock
    if (takeKey(keySpace)) hardDrop();
}

void newGame() {
    gameState.gameClock = 0;
    gameState.level = 1;
    gameState.linesCleared = 0;

    // Each game starts a fresh entry that has to climb; the entry the player
    // held before keeps its slot, name and score.
    carryPlayerName(currentList());
    playerScore() = 0;

    // The whole grid, not only the active rows: blocks that an earlier, taller
    // game left above the field would still be judged by the cell test.
    playfield = Playfield{};
    makePiece(gameState.currentPiece, randomPieceType());
    spawnPiece(gameState.currentPiece);  // cannot fail on the emptied field
    makePiece(gameState.nextPiece, randomPieceType());

    gameState.menuVisible = false;
    gameState.gameRunning = true;
}
