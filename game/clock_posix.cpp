// The counter on the POSIX monotonic clock, in nanoseconds. It needs nothing
// but the C library, so the game and its tests link without a window system.
#include <time.h>

#include "game/clock.h"

namespace {
constexpr int64_t nanosecondsPerSecond = 1000000000;
}

int64_t counterValue() {
    timespec now;
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
    return int64_t(now.tv_sec) * nanosecondsPerSecond + now.tv_nsec;
}

int64_t countsPerSecond() {
    return nanosecondsPerSecond;
}
