// kernel32's Sleep at Windows' default timer resolution: a sleep ends on a
// tick of a clock that ticks 64 times a second, so a game loop that sleeps
// 1 ms a frame draws about 64 frames a second, as it does on Windows.
#include <sched.h>
#include <time.h>

#include <cerrno>

#include "platform/handles.h"

namespace {
constexpr int64_t nanosecondsPerMillisecond = 1000000;
constexpr int64_t nanosecondsPerSecond = 1000000000;
}  // namespace

int64_t sleepEnd(int64_t start, DWORD dwMilliseconds) {
    if (dwMilliseconds == 0) return start;
    // The first tick at or after the earliest end: a whole number of periods.
    const int64_t earliest = start + int64_t(dwMilliseconds) * nanosecondsPerMillisecond;
    const int64_t ticks = (earliest + timerTickNanoseconds - 1) / timerTickNanoseconds;
    return ticks * timerTickNanoseconds;
}

void WINAPI Sleep(DWORD dwMilliseconds) {
    // Sleep(0) gives the rest of the time slice to another thread, nothing more.
    if (dwMilliseconds == 0) {
        sched_yield();
        return;
    }
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const int64_t end =
        sleepEnd(int64_t(now.tv_sec) * nanosecondsPerSecond + now.tv_nsec, dwMilliseconds);
    timespec until;
    until.tv_sec = time_t(end / nanosecondsPerSecond);
    until.tv_nsec = long(end % nanosecondsPerSecond);
    // An absolute end: a signal that interrupts the wait does not stretch it.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}
