// The records behind the Win32 handles the emulation hands out, and the
// calls the platform files make on each other. Private to platform/ (and its
// tests): the game sees only the opaque handles of win32.h.
//
// Every handle is the address of a slot in a fixed table, so a stale or
// foreign handle is recognised by looking it up, never dereferenced blindly.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

constexpr int maxWindowClasses = 16;
constexpr int maxWindows = 16;
constexpr size_t classNameCapacity = 256;  // terminator included, as Windows' limit

struct WindowClass {
    bool used;
    char name[classNameCapacity];
    WNDPROC procedure;
};

// A window and its one device context (every class behaves as CS_OWNDC).
struct WindowRecord {
    bool live;
    SDL_Window* sdlWindow;
    DWORD style;  // as created: its frame lies around the SDL window
    const WindowClass* windowClass;
    int pixelFormat;  // 0 until SetPixelFormat
    HGDIOBJ selectedFont;
};

extern WindowClass windowClasses[maxWindowClasses];
extern WindowRecord windowRecords[maxWindows];

// Handle lookups; null for anything that is not a live record.
const WindowClass* findWindowClass(LPCSTR name);
WindowRecord* findWindow(HWND hWnd);
WindowRecord* findWindowOfDc(HDC hdc);
WindowRecord* findWindowOfSdl(Uint32 sdlWindowId);
HWND handleOf(WindowRecord* record);

// The live window SetFocus last named, or null.
WindowRecord* focusedWindow();

// Calls the window's class procedure at once, as SendMessage does.
LRESULT sendMessage(WindowRecord* record, UINT message, WPARAM wParam, LPARAM lParam);

// Starts SDL video once. Without SDL_VIDEODRIVER only a real display will do,
// so that a process without one fails to create its window instead of
// running invisibly on the offscreen driver.
bool startVideo();
bool videoStarted();
bool displayAvailable();

// The cursor display counter applied to a freshly started video subsystem.
void applyCursorVisibility();

// The full-screen mode granted by ChangeDisplaySettingsA, if any.
const SDL_DisplayMode* requestedFullscreenMode();
// Returns every full-screen window to the desktop mode.
void leaveFullscreenWindows();

// The stock font every device context starts with.
HGDIOBJ stockFont();

// End of the process: releases contexts, windows, fonts, then quits SDL,
// fontconfig and FreeType. Handles are invalid afterwards.
void releaseContexts();
void releaseWindows();
void releaseFonts();
void stopHost();

// SIGHUP, SIGINT and SIGTERM from now on only mark a termination request,
// which the message queue delivers as WM_CLOSE to every window.
void catchTerminationSignals();
bool terminationPending();
void clearTermination();

// From now on a lost connection to the X server sends every window
// WM_QUERYENDSESSION and WM_ENDSESSION (TRUE), as a log-off does on Windows,
// and ends the process with status 1 without touching the display again.
void catchDisplayLoss();

// lParam of WM_MOVE and WM_SIZE: two 16-bit words, low then high.
LPARAM packWords(int low, int high);

// A failed step's last error. A refusal of the emulation's own is the code
// Windows gives; a failure of the host (SDL, Xlib) is hostFailureCode, whose
// text FormatMessageA gives as the host gave it: SDL_GetError() unless a
// text is named.
void failWith(DWORD code);
void failWithHostReason(const char* reason = nullptr);
// Bit 29 marks a code as the application's own, never one of Windows'.
constexpr DWORD hostFailureCode = 0x20000001;
constexpr size_t hostReasonCapacity = 512;

// Xlib ends the process on an X protocol error unless a handler is set.
// Between these two calls an error is kept instead, and the end names it as
// the host's reason and answers true. The window, if any, is synchronised
// first, so that errors still on their way arrive within the trap.
void beginXErrorTrap();
bool endXErrorTrap(SDL_Window* window);

// Windows' default timer period: 1/64 s. Its ticks lie on whole multiples of
// it on the monotonic clock.
constexpr int64_t timerTickNanoseconds = 15625000;
// When a Sleep of that many milliseconds called at `start` ends (nanoseconds
// on the monotonic clock): on the first tick at least that long after the
// call. Sleep(0) does not wait: it ends where it starts.
int64_t sleepEnd(int64_t start, DWORD dwMilliseconds);
