// A simple player for whole games: each tick it tries every turn and column
// on a copy of the board and presses the key that leads to the best landing.
#pragma once

enum class Action { none, turn, left, right, drop };

// The first key of the best plan for the current piece; none while the piece
// is unplaced (after a hard drop, until the lock). Leaves the game as it was.
Action planNextAction();
// Sets the key flag for the action, as a key-down message would.
void pressFor(Action action);
