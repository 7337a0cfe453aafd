// Windows on SDL: creation with the Win32 frame arithmetic, showing with the
// messages Windows sends on the way, destruction, device contexts and the
// cursor display counter.
#include "platform/handles.h"
#include "platform/win32_extra.h"

WindowRecord windowRecords[maxWindows];

namespace {

// The fixed frame Windows draws around the client area, in pixels.
constexpr LONG sizingBorder = 8;
constexpr LONG captionHeight = 23;

constexpr int depthBits = 16;

// Windows shows the cursor while this counter is not negative.
int cursorDisplayCount = 0;
HWND focusWindow = nullptr;

// The game's two styles: WS_OVERLAPPEDWINDOW has a sizing frame and a
// caption, WS_POPUP neither. No window has a menu.
RECT frameOf(DWORD style) {
    const LONG border = (style & WS_THICKFRAME) ? sizingBorder : 0;
    const LONG top = (style & WS_CAPTION) == WS_CAPTION ? border + captionHeight : border;
    return RECT{border, top, border, border};
}

bool setDisplayMode(SDL_Window* sdlWindow, const SDL_DisplayMode* mode) {
    if (SDL_SetWindowDisplayMode(sdlWindow, mode) == 0) return true;
    failWithHostReason();
    return false;
}

WindowRecord* freeWindowRecord() {
    for (WindowRecord& record : windowRecords) {
        if (!record.live) return &record;
    }
    return nullptr;
}

// The GL attributes must be in place before the SDL window exists: the
// pixel format cannot change afterwards. These are the ones the game's
// descriptor asks for; the compatibility profile keeps OpenGL 1.1 immediate
// mode, display lists and glBitmap.
void setGlAttributes() {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

}  // namespace

LPARAM packWords(int low, int high) {
    return LPARAM((UINT_PTR(unsigned(low)) & 0xFFFF) | ((UINT_PTR(unsigned(high)) & 0xFFFF) << 16));
}

WindowRecord* findWindow(HWND hWnd) {
    for (WindowRecord& record : windowRecords) {
        if (record.live && reinterpret_cast<HWND>(&record) == hWnd) return &record;
    }
    return nullptr;
}

WindowRecord* findWindowOfDc(HDC hdc) {
    for (WindowRecord& record : windowRecords) {
        if (record.live && reinterpret_cast<HDC>(&record) == hdc) return &record;
    }
    return nullptr;
}

WindowRecord* findWindowOfSdl(Uint32 sdlWindowId) {
    for (WindowRecord& record : windowRecords) {
        if (record.live && SDL_GetWindowID(record.sdlWindow) == sdlWindowId) return &record;
    }
    return nullptr;
}

WindowRecord* focusedWindow() {
    return findWindow(focusWindow);
}

HWND handleOf(WindowRecord* record) {
    return reinterpret_cast<HWND>(record);
}

LRESULT sendMessage(WindowRecord* record, UINT message, WPARAM wParam, LPARAM lParam) {
    if (record == nullptr || !record->live) return 0;
    return record->windowClass->procedure(handleOf(record), message, wParam, lParam);
}

BOOL WINAPI AdjustWindowRectEx(RECT* lpRect, DWORD dwStyle, BOOL, DWORD) {
    if (lpRect == nullptr) return FALSE;
    const RECT frame = frameOf(dwStyle);
    lpRect->left -= frame.left;
    lpRect->top -= frame.top;
    lpRect->right += frame.right;
    lpRect->bottom += frame.bottom;
    return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X,
                            int Y, int nWidth, int nHeight, HWND, HMENU, HINSTANCE, LPVOID) {
    const WindowClass* windowClass = findWindowClass(lpClassName);
    if (windowClass == nullptr) {
        failWith(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    WindowRecord* record = freeWindowRecord();
    if (record == nullptr) {
        failWith(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!startVideo()) return nullptr;

    // The SDL window is the client area: take the frame off the outer size
    // and position, so the client is exactly what the caller adjusted for.
    const RECT frame = frameOf(dwStyle);
    const int clientWidth = SDL_max(nWidth - int(frame.left + frame.right), 1);
    const int clientHeight = SDL_max(nHeight - int(frame.top + frame.bottom), 1);
    const int x = X + int(frame.left);
    const int y = Y + int(frame.top);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (dwStyle & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    if ((dwStyle & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
    const SDL_DisplayMode* fullscreenMode = requestedFullscreenMode();
    bool fullscreen = (dwStyle & WS_POPUP) != 0 && fullscreenMode != nullptr;
    if (fullscreen) flags |= SDL_WINDOW_FULLSCREEN;

    setGlAttributes();
    // SDL loads the GL driver for the first GL window and tries a context.
    beginXErrorTrap();
    SDL_Window* sdlWindow = SDL_CreateWindow(lpWindowName != nullptr ? lpWindowName : "", x, y,
                                             clientWidth, clientHeight, flags);
    if (sdlWindow == nullptr) failWithHostReason();
    const bool failed = endXErrorTrap(sdlWindow) || sdlWindow == nullptr ||
                        (fullscreen && !setDisplayMode(sdlWindow, fullscreenMode));
    if (failed) {
        if (sdlWindow != nullptr) SDL_DestroyWindow(sdlWindow);
        return nullptr;
    }

    record->sdlWindow = sdlWindow;
    record->style = dwStyle;
    record->windowClass = windowClass;
    record->pixelFormat = 0;
    record->selectedFont = stockFont();
    record->live = true;
    return handleOf(record);
}

// SW_SHOW, the game's one command.
BOOL WINAPI ShowWindow(HWND hWnd, int) {
    WindowRecord* record = findWindow(hWnd);
    if (record == nullptr) return FALSE;
    const BOOL wasVisible =
        (SDL_GetWindowFlags(record->sdlWindow) & SDL_WINDOW_SHOWN) ? TRUE : FALSE;
    SDL_ShowWindow(record->sdlWindow);

    // Windows sends these synchronously while showing; the game's loop only
    // runs frames once WM_ACTIVATE has marked the window active. The
    // procedure may destroy the window, so check it between messages.
    sendMessage(record, WM_ACTIVATE, WA_ACTIVE, 0);
    if (!record->live) return wasVisible;
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(record->sdlWindow, &width, &height);
    sendMessage(record, WM_SIZE, SIZE_RESTORED, packWords(width, height));
    if (!record->live) return wasVisible;
    int x = 0;
    int y = 0;
    SDL_GetWindowPosition(record->sdlWindow, &x, &y);
    sendMessage(record, WM_MOVE, 0, packWords(x, y));
    return wasVisible;
}

// The outer rectangle, so the client is what is left inside the window's frame.
BOOL WINAPI SetWindowPos(HWND hWnd, HWND, int X, int Y, int cx, int cy, UINT) {
    WindowRecord* record = findWindow(hWnd);
    if (record == nullptr) {
        failWith(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const RECT frame = frameOf(record->style);
    SDL_SetWindowPosition(record->sdlWindow, X + int(frame.left), Y + int(frame.top));
    SDL_SetWindowSize(record->sdlWindow, SDL_max(cx - int(frame.left + frame.right), 1),
                      SDL_max(cy - int(frame.top + frame.bottom), 1));
    return TRUE;
}

BOOL WINAPI SetForegroundWindow(HWND hWnd) {
    WindowRecord* record = findWindow(hWnd);
    if (record == nullptr) return FALSE;
    SDL_RaiseWindow(record->sdlWindow);
    return TRUE;
}

HWND WINAPI SetFocus(HWND hWnd) {
    if (hWnd != nullptr && findWindow(hWnd) == nullptr) return nullptr;
    HWND previous = findWindow(focusWindow) != nullptr ? focusWindow : nullptr;
    focusWindow = hWnd;
    return previous;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    WindowRecord* record = findWindow(hWnd);
    if (record == nullptr) return FALSE;
    // SDL releases a context current on this window and leaves full screen.
    SDL_DestroyWindow(record->sdlWindow);
    *record = WindowRecord{};
    if (focusWindow == hWnd) focusWindow = nullptr;
    return TRUE;
}

HDC WINAPI GetDC(HWND hWnd) {
    // Only window DCs exist; there is no screen DC.
    WindowRecord* record = findWindow(hWnd);
    if (record == nullptr) failWith(ERROR_INVALID_WINDOW_HANDLE);
    return record != nullptr ? reinterpret_cast<HDC>(record) : nullptr;
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
    WindowRecord* record = findWindow(hWnd);
    return record != nullptr && findWindowOfDc(hDC) == record ? 1 : 0;
}

int WINAPI ShowCursor(BOOL bShow) {
    cursorDisplayCount += bShow ? 1 : -1;
    if (videoStarted()) applyCursorVisibility();
    return cursorDisplayCount;
}

void applyCursorVisibility() {
    SDL_ShowCursor(cursorDisplayCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

void leaveFullscreenWindows() {
    for (WindowRecord& record : windowRecords) {
        if (record.live && (SDL_GetWindowFlags(record.sdlWindow) & SDL_WINDOW_FULLSCREEN)) {
            SDL_SetWindowFullscreen(record.sdlWindow, 0);
        }
    }
}

void releaseWindows() {
    for (WindowRecord& record : windowRecords) {
        if (record.live) SDL_DestroyWindow(record.sdlWindow);
        record = WindowRecord{};
    }
    focusWindow = nullptr;
}
