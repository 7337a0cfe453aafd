// Display modes. SDL changes the mode only for a full-screen window, so a
// granted ChangeDisplaySettingsA is remembered and carried out by the next
// WS_POPUP window; a reset takes every window back to the desktop mode.
#include "platform/handles.h"
#include "platform/win32_extra.h"

namespace {

constexpr int primaryDisplay = 0;

SDL_DisplayMode fullscreenMode;
bool fullscreenRequested = false;

void fillDevMode(const SDL_DisplayMode& mode, DEVMODEA& devMode) {
    // Windows counts a padded 24-bit mode as 32 bits per pixel.
    devMode.dmBitsPerPel = DWORD(SDL_BYTESPERPIXEL(mode.format) * 8);
    devMode.dmPelsWidth = DWORD(mode.w);
    devMode.dmPelsHeight = DWORD(mode.h);
    devMode.dmDisplayFrequency = DWORD(mode.refresh_rate);
    devMode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
}

// The host mode of exactly this size, if the display offers one. The desktop
// mode always counts: some drivers (offscreen) list no real modes.
bool findOfferedMode(DWORD width, DWORD height, SDL_DisplayMode& found) {
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(primaryDisplay, &desktop) == 0 && DWORD(desktop.w) == width &&
        DWORD(desktop.h) == height) {
        found = desktop;
        return true;
    }
    int count = SDL_GetNumDisplayModes(primaryDisplay);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(primaryDisplay, i, &mode) != 0) continue;
        if (DWORD(mode.w) == width && DWORD(mode.h) == height) {
            found = mode;
            return true;
        }
    }
    return false;
}

void returnToDesktop() {
    fullscreenRequested = false;
    if (videoStarted()) leaveFullscreenWindows();
}

}  // namespace

const SDL_DisplayMode* requestedFullscreenMode() {
    return fullscreenRequested ? &fullscreenMode : nullptr;
}

// The current mode of the primary display, the only one the game reads.
BOOL WINAPI EnumDisplaySettingsA(LPCSTR, DWORD, DEVMODEA* lpDevMode) {
    if (lpDevMode == nullptr || !startVideo()) return FALSE;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(primaryDisplay, &mode) != 0) return FALSE;
    fillDevMode(mode, *lpDevMode);
    return TRUE;
}

// The game's calls: a full-screen switch to a size (CDS_FULLSCREEN), and on
// the way back a test and a reset to the registry mode (no mode) and the
// saved mode restored (CDS_RESET).
LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* lpDevMode, DWORD dwFlags) {
    if (lpDevMode == nullptr) {
        // A null mode means the registry (desktop) mode: testing it always
        // works, anything else goes back to it.
        if (!(dwFlags & CDS_TEST)) returnToDesktop();
        return DISP_CHANGE_SUCCESSFUL;
    }
    // Going back for good without video running: nothing was ever switched.
    // (The game does this once more at exit, after the host has shut down.)
    if (!(dwFlags & CDS_FULLSCREEN) && !videoStarted()) {
        fullscreenRequested = false;
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (!startVideo()) return DISP_CHANGE_FAILED;
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(primaryDisplay, &desktop) != 0) return DISP_CHANGE_FAILED;
    const DWORD width = lpDevMode->dmPelsWidth;
    const DWORD height = lpDevMode->dmPelsHeight;
    if (dwFlags & CDS_FULLSCREEN) {
        // The colour depth is not matched: hosts offer 24 or 32 bits where the
        // game asks for 16, and Windows converts the same way.
        SDL_DisplayMode offered;
        if (!findOfferedMode(width, height, offered)) return DISP_CHANGE_FAILED;
        fullscreenMode = offered;
        fullscreenRequested = true;
        return DISP_CHANGE_SUCCESSFUL;
    }
    // A saved mode restored: only the desktop mode itself can be kept without
    // a full-screen window.
    if (DWORD(desktop.w) == width && DWORD(desktop.h) == height) {
        returnToDesktop();
        return DISP_CHANGE_SUCCESSFUL;
    }
    return DISP_CHANGE_FAILED;
}
