// Running a game: tick pacing by the performance counter, gravity by level,
// locking and scoring, the six in-game key actions, and a new game.
#pragma once

#include <cstdint>

struct TickTimer {
    int64_t frequency;   // counter ticks per second
    int64_t lastTick;    // counter value when the last game tick finished
    int64_t lastSample;  // counter value at the end of the last timedGameStep
    uint32_t carry;      // ms the ticks so far ran late, 0..speedLimit
};

void initTickTimer(TickTimer& timer);
void timedGameStep(TickTimer& timer);
void gameTick();
void gravityStep();
void lockPiece();
void applyKeyActions();
void newGame();
