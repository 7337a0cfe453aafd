// kernel32's performance counter and Sleep on a POSIX monotonic clock. Kept
// apart from the rest of the platform layer so that the portable game code
// and its tests link without a window system.
#include <time.h>

#include <cerrno>

#include "platform/win32.h"

namespace {
constexpr LONGLONG nanosecondsPerSecond = 1000000000;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency) {
    if (lpFrequency == nullptr) return FALSE;
    lpFrequency->QuadPart = nanosecondsPerSecond;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount) {
    if (lpPerformanceCount == nullptr) return FALSE;
    timespec now;
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return FALSE;
    lpPerformanceCount->QuadPart = LONGLONG(now.tv_sec) * nanosecondsPerSecond + now.tv_nsec;
    return TRUE;
}

void WINAPI Sleep(DWORD dwMilliseconds) {
    timespec left;
    left.tv_sec = dwMilliseconds / 1000;
    left.tv_nsec = long(dwMilliseconds % 1000) * 1000000;
    // Sleep the whole span even when a signal interrupts it.
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}
