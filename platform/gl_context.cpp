// Pixel formats, WGL rendering contexts, buffer swaps and extension
// functions on SDL's OpenGL support.
#include <cstring>

#include "platform/handles.h"
#include "platform/win32_extra.h"

namespace {

constexpr int maxContexts = 16;
// The one pixel format offered: whatever the window was created with
// (double-buffered RGBA with a depth buffer, what the game asks for; see
// CreateWindowExA).
constexpr int offeredPixelFormat = 1;

// The neutral function pointer type for casts between function types.
typedef void (*GenericFunction)();

struct ContextRecord {
    bool live;
    SDL_GLContext glContext;
};

ContextRecord contexts[maxContexts];

ContextRecord* findContext(HGLRC hglrc) {
    for (ContextRecord& context : contexts) {
        if (context.live && reinterpret_cast<HGLRC>(&context) == hglrc) return &context;
    }
    return nullptr;
}

ContextRecord* freeContext() {
    for (ContextRecord& context : contexts) {
        if (!context.live) return &context;
    }
    return nullptr;
}

BOOL WINAPI swapIntervalExt(int interval) {
    return SDL_GL_SetSwapInterval(interval) == 0 ? TRUE : FALSE;
}

// The window of a DC whose pixel format is set, or null with the last error
// Windows gives for either fault.
WindowRecord* findDrawableDc(HDC hdc) {
    WindowRecord* record = findWindowOfDc(hdc);
    if (record == nullptr) {
        failWith(ERROR_INVALID_HANDLE);
    } else if (record->pixelFormat == 0) {
        failWith(ERROR_INVALID_PIXEL_FORMAT);
        return nullptr;
    }
    return record;
}

}  // namespace

int WINAPI ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR*) {
    if (findWindowOfDc(hdc) != nullptr) return offeredPixelFormat;
    failWith(ERROR_INVALID_HANDLE);
    return 0;
}

BOOL WINAPI SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR*) {
    WindowRecord* record = findWindowOfDc(hdc);
    if (record == nullptr || format != offeredPixelFormat) {
        failWith(record == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    record->pixelFormat = format;
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC hdc) {
    WindowRecord* record = findWindowOfDc(hdc);
    if (record == nullptr) return FALSE;
    SDL_GL_SwapWindow(record->sdlWindow);
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC hdc) {
    WindowRecord* record = findDrawableDc(hdc);
    if (record == nullptr) return nullptr;
    ContextRecord* context = freeContext();
    if (context == nullptr) {
        failWith(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }

    // SDL makes the new context current at once, where Windows waits for
    // wglMakeCurrent; the game makes it current next, and draws nothing before.
    beginXErrorTrap();
    SDL_GLContext glContext = SDL_GL_CreateContext(record->sdlWindow);
    if (glContext == nullptr) failWithHostReason();
    if (endXErrorTrap(record->sdlWindow) && glContext != nullptr) {
        SDL_GL_DeleteContext(glContext);
        glContext = nullptr;
    }
    if (glContext == nullptr) return nullptr;
    context->glContext = glContext;
    context->live = true;
    return reinterpret_cast<HGLRC>(context);
}

BOOL WINAPI wglMakeCurrent(HDC hdc, HGLRC hglrc) {
    if (hglrc == nullptr) {
        // Releasing: the DC does not matter.
        if (!videoStarted()) return FALSE;
        return SDL_GL_MakeCurrent(nullptr, nullptr) == 0 ? TRUE : FALSE;
    }
    ContextRecord* context = findContext(hglrc);
    if (context == nullptr) {
        failWith(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    WindowRecord* record = findDrawableDc(hdc);
    if (record == nullptr) return FALSE;
    beginXErrorTrap();
    const bool made = SDL_GL_MakeCurrent(record->sdlWindow, context->glContext) == 0;
    if (!made) failWithHostReason();
    return !endXErrorTrap(record->sdlWindow) && made ? TRUE : FALSE;
}

BOOL WINAPI wglDeleteContext(HGLRC hglrc) {
    ContextRecord* context = findContext(hglrc);
    if (context == nullptr) return FALSE;
    // SDL releases the context first when it is current, as Windows does.
    SDL_GL_DeleteContext(context->glContext);
    *context = ContextRecord{};
    return TRUE;
}

// The one extension function the game asks for, with its context current.
PROC WINAPI wglGetProcAddress(LPCSTR lpszProc) {
    if (lpszProc == nullptr || std::strcmp(lpszProc, "wglSwapIntervalEXT") != 0) return nullptr;
    // Callers cast the result back to the function's real type.
    return reinterpret_cast<PROC>(reinterpret_cast<GenericFunction>(&swapIntervalExt));
}

void releaseContexts() {
    for (ContextRecord& context : contexts) {
        if (context.live) SDL_GL_DeleteContext(context.glContext);
        context = ContextRecord{};
    }
}
