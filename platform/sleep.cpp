// kernel32's Sleep on nanosleep.
#include <time.h>

#include <cerrno>

#include "platform/win32.h"

namespace {
constexpr DWORD millisecondsPerSecond = 1000;
constexpr long nanosecondsPerMillisecond = 1000000;
}  // namespace

void WINAPI Sleep(DWORD dwMilliseconds) {
    timespec left;
    left.tv_sec = dwMilliseconds / millisecondsPerSecond;
    left.tv_nsec = long(dwMilliseconds % millisecondsPerSecond) * nanosecondsPerMillisecond;
    // Sleep the whole span even when a signal interrupts it.
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}
