// The counting layer of the frame benchmark. Each probed function F is
// reached through __wrap_F (the link's --wrap=F), which counts the call,
// marks the main thread as inside a library for its duration and goes on to
// __real_F. malloc and its kin stand in for glibc's (which lets a program
// replace them and exports its own as __libc_*) and file every allocation
// under the game, the libraries or another thread.
#include "bench/frame_probe.h"

#include <SDL.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace probe {

const char* const functionNames[functionCount] = {
#define PROBE_GL(result, name, parameters, arguments) #name,
#define PROBE_SDL PROBE_GL
#include "bench/frame_probe_list.h"
#undef PROBE_GL
#undef PROBE_SDL
};

const bool isGlFunction[functionCount] = {
#define PROBE_GL(result, name, parameters, arguments) true,
#define PROBE_SDL(result, name, parameters, arguments) false,
#include "bench/frame_probe_list.h"
#undef PROBE_GL
#undef PROBE_SDL
};

namespace {

// Written by the main thread only, read by it too.
uint64_t calls[functionCount];
uint64_t ownAllocations;
uint64_t libraryAllocations;
std::atomic<uint64_t> threadAllocations{0};

// Local-exec TLS in the program itself: safe to read inside malloc on any
// thread, even one a library has only just started.
thread_local bool onMainThread = false;
thread_local int libraryDepth = 0;

// Counts the call and files allocations during it under the libraries.
struct LibraryCall {
    explicit LibraryCall(Function function) {
        ++calls[function];
        ++libraryDepth;
    }
    ~LibraryCall() { --libraryDepth; }
    LibraryCall(const LibraryCall&) = delete;
    LibraryCall& operator=(const LibraryCall&) = delete;
};

void countAllocation() {
    if (!onMainThread) {
        threadAllocations.fetch_add(1, std::memory_order_relaxed);
    } else if (libraryDepth > 0) {
        ++libraryAllocations;
    } else {
        ++ownAllocations;
    }
}

}  // namespace

void markMainThread() {
    onMainThread = true;
}

Counts counts() {
    Counts now = {};
    for (int function = 0; function < functionCount; ++function)
        now.calls[function] = calls[function];
    now.ownAllocations = ownAllocations;
    now.libraryAllocations = libraryAllocations;
    now.threadAllocations = threadAllocations.load(std::memory_order_relaxed);
    return now;
}

uint64_t glCallsBetween(const Counts& before, const Counts& after) {
    uint64_t total = 0;
    for (int function = 0; function < functionCount; ++function) {
        if (isGlFunction[function]) total += after.calls[function] - before.calls[function];
    }
    return total;
}

}  // namespace probe

extern "C" {

#define PROBE_GL(result, name, parameters, arguments) \
    result __real_##name parameters;                  \
    result __wrap_##name parameters {                 \
        const probe::LibraryCall call(probe::name);   \
        return __real_##name arguments;               \
    }
#define PROBE_SDL PROBE_GL
#include "bench/frame_probe_list.h"
#undef PROBE_GL
#undef PROBE_SDL

void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);

void* malloc(size_t size) {
    probe::countAllocation();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    probe::countAllocation();
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size) {
    probe::countAllocation();
    return __libc_realloc(pointer, size);
}
void* memalign(size_t alignment, size_t size) {
    probe::countAllocation();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    probe::countAllocation();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** result, size_t alignment, size_t size) {
    probe::countAllocation();
    void* pointer = __libc_memalign(alignment, size);
    if (pointer == nullptr) return ENOMEM;
    *result = pointer;
    return 0;
}
void free(void* pointer) {
    __libc_free(pointer);
}
}
