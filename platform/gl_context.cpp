// Pixel formats, WGL rendering contexts, buffer swaps and extension
// functions on SDL's OpenGL support.
#include <cstring>

#include "platform/handles.h"

namespace {

constexpr int maxContexts = 16;
// The one pixel format offered: whatever the window was created with
// (double-buffered RGBA with a depth buffer, see CreateWindowExA).
constexpr int offeredPixelFormat = 1;
constexpr DWORD requiredFormatFlags = PFD_SUPPORT_OPENGL | PFD_DRAW_TO_WINDOW;

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

int WINAPI getSwapIntervalExt() {
    return SDL_GL_GetSwapInterval();
}

}  // namespace

int WINAPI ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR* ppfd) {
    if (findWindowOfDc(hdc) == nullptr || ppfd == nullptr) return 0;
    if ((ppfd->dwFlags & requiredFormatFlags) != requiredFormatFlags) return 0;
    return offeredPixelFormat;
}

BOOL WINAPI SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR*) {
    WindowRecord* record = findWindowOfDc(hdc);
    if (record == nullptr || format != offeredPixelFormat) return FALSE;
    // As on Windows, a window's pixel format is set once for good.
    if (record->pixelFormat != 0 && record->pixelFormat != format) return FALSE;
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
    WindowRecord* record = findWindowOfDc(hdc);
    if (record == nullptr || record->pixelFormat == 0) return nullptr;
    ContextRecord* context = freeContext();
    if (context == nullptr) return nullptr;

    // SDL makes a new context current; Windows does not, so put back
    // whatever was current before.
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    SDL_GLContext glContext = SDL_GL_CreateContext(record->sdlWindow);
    SDL_GL_MakeCurrent(previousContext != nullptr ? previousWindow : nullptr, previousContext);
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
    WindowRecord* record = findWindowOfDc(hdc);
    if (context == nullptr || record == nullptr || record->pixelFormat == 0) return FALSE;
    return SDL_GL_MakeCurrent(record->sdlWindow, context->glContext) == 0 ? TRUE : FALSE;
}

BOOL WINAPI wglDeleteContext(HGLRC hglrc) {
    ContextRecord* context = findContext(hglrc);
    if (context == nullptr) return FALSE;
    // SDL releases the context first when it is current, as Windows does.
    SDL_GL_DeleteContext(context->glContext);
    *context = ContextRecord{};
    return TRUE;
}

PROC WINAPI wglGetProcAddress(LPCSTR lpszProc) {
    // Like WGL, extension functions exist only for a current context.
    if (lpszProc == nullptr || !videoStarted() || SDL_GL_GetCurrentContext() == nullptr) return nullptr;
    // Callers cast the result back to the function's real type.
    if (std::strcmp(lpszProc, "wglSwapIntervalEXT") == 0) {
        return reinterpret_cast<PROC>(reinterpret_cast<GenericFunction>(&swapIntervalExt));
    }
    if (std::strcmp(lpszProc, "wglGetSwapIntervalEXT") == 0) {
        return reinterpret_cast<PROC>(reinterpret_cast<GenericFunction>(&getSwapIntervalExt));
    }
    return reinterpret_cast<PROC>(SDL_GL_GetProcAddress(lpszProc));
}

void releaseContexts() {
    for (ContextRecord& context : contexts) {
        if (context.live) SDL_GL_DeleteContext(context.glContext);
        context = ContextRecord{};
    }
}
