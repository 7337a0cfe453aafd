// The pacing benchmark's probe, loaded into the unchanged game with
// LD_PRELOAD. It stands in front of SDL_GL_SwapWindow, the one call every
// drawn frame ends with, and counts the swaps, the gaps between two swaps
// longer than one and a half periods of Windows' timer (a timer tick without
// a frame) and the longest gap. On SIGUSR1 it writes at the next swap one
// line to the file named by STAPELIX_PACE_PROBE: the monotonic clock and the
// process's CPU time over all its threads (llvmpipe draws on threads of its
// own), both in nanoseconds, the swaps so far, the game's gameClock, the long
// gaps so far and the longest gap since the last line. pace_bench.sh takes
// the differences between two lines. gameClock is read at STAPELIX_PACE_GAME_STATE,
// the offset of the game's gameState in the program file (from nm), which the
// loader has moved by the program's load address.
#include <dlfcn.h>
#include <link.h>
#include <signal.h>
#include <time.h>

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "game/game_state.h"

namespace {

constexpr int64_t nanosecondsPerSecond = 1000000000;
// One and a half periods of 15.625 ms: a gap this long skipped a timer tick.
constexpr int64_t longGapNanoseconds = 23437500;

typedef void (*SwapFunction)(SDL_Window*);

volatile sig_atomic_t markRequested = 0;
std::FILE* marks = nullptr;
const GameState* game = nullptr;
int64_t swaps = 0;
int64_t longGaps = 0;
int64_t longestGap = 0;
int64_t lastSwap = 0;

int64_t clockNanoseconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return int64_t(now.tv_sec) * nanosecondsPerSecond + now.tv_nsec;
}

void onMarkSignal(int) {
    markRequested = 1;
}

// The program itself is the first object the loader lists.
int takeProgramBase(dl_phdr_info* info, size_t, void* base) {
    *static_cast<uintptr_t*>(base) = info->dlpi_addr;
    return 1;
}

__attribute__((constructor)) void startProbe() {
    const char* file = std::getenv("STAPELIX_PACE_PROBE");
    const char* offset = std::getenv("STAPELIX_PACE_GAME_STATE");
    if (file == nullptr || offset == nullptr) return;
    marks = std::fopen(file, "w");
    uintptr_t base = 0;
    dl_iterate_phdr(takeProgramBase, &base);
    game = reinterpret_cast<const GameState*>(base + std::strtoull(offset, nullptr, 16));
    struct sigaction action = {};
    action.sa_handler = onMarkSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR1, &action, nullptr);
}

}  // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    static const SwapFunction real =
        reinterpret_cast<SwapFunction>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    real(window);
    const int64_t now = clockNanoseconds(CLOCK_MONOTONIC);
    if (lastSwap != 0) {
        const int64_t gap = now - lastSwap;
        if (gap > longGapNanoseconds) ++longGaps;
        if (gap > longestGap) longestGap = gap;
    }
    lastSwap = now;
    ++swaps;
    if (markRequested == 0 || marks == nullptr) return;
    markRequested = 0;
    std::fprintf(marks, "%lld %lld %lld %u %lld %lld\n", static_cast<long long>(now),
                 static_cast<long long>(clockNanoseconds(CLOCK_PROCESS_CPUTIME_ID)),
                 static_cast<long long>(swaps), game->gameClock, static_cast<long long>(longGaps),
                 static_cast<long long>(longestGap));
    std::fflush(marks);
    longestGap = 0;
}
