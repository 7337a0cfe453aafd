// Running a game: tick pacing by the performance counter, gravity by level,
// locking and scoring, the six in-game key actions, and a new game.
#pragma once

#include <cstdint>

struct TickTimer {
    int64_t frequency;  // counter ticks per second
    int64_t lastTick;   // counter value when the last game tick was due
    uint32_t carry;     // ms the ticks so far ran late, 0..speedLimit
};

void initTickTimer(TickTimer& timer);
// One frame's step: a tick when one is due by the counter now.
void timedGameStep(TickTimer& timer);
// The same at counter value `now`, which the step reads once for both the
// decision and the next tick's start.
void timedGameStepAt(TickTimer& timer, int64_t now);
void gameTick();
void gravityStep();
void lockPiece();
void applyKeyActions();
void newGame();
