// What the frame benchmark counts besides time: the OpenGL and SDL calls the
// game makes, and heap allocations, told apart by where they happen. The
// game's code is not touched: the benchmark is linked with --wrap for every
// function in bench/frame_probe_list.h, and it stands in for the C library's
// allocator.
#pragma once

#include <cstdint>

namespace probe {

// One entry per line of frame_probe_list.h, in its order.
enum Function : int {
#define PROBE_GL(result, name, parameters, arguments) name,
#define PROBE_SDL PROBE_GL
#include "bench/frame_probe_list.h"
#undef PROBE_GL
#undef PROBE_SDL
    functionCount
};

extern const char* const functionNames[functionCount];
extern const bool isGlFunction[functionCount];  // gl* and glu*, not SDL_*

struct Counts {
    uint64_t calls[functionCount];
    // Main thread, outside any probed call: the game's own allocations (and
    // what it asks of the C and C++ libraries directly).
    uint64_t ownAllocations;
    // Main thread, inside a probed call: the driver's and SDL's.
    uint64_t libraryAllocations;
    // Any other thread: the driver's rasteriser threads, SDL's threads.
    uint64_t threadAllocations;
};

// The calling thread is the main thread from now on.
void markMainThread();
Counts counts();
// gl* and glu* calls counted in `after` and not yet in `before`.
uint64_t glCallsBetween(const Counts& before, const Counts& after);

}  // namespace probe
