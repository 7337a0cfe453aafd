#include "game/key_state.h"

KeyState keyState;

bool takeKey(uint8_t code) {
    if (keyState.down[code] == 0) return false;
    keyState.down[code] = 0;
    return true;
}
