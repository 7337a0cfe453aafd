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

BOOL WINAPI EnumDisplaySettingsA(LPCSTR lpszDeviceName, DWORD iModeNum, DEVMODEA* lpDevMode) {
    // Only the primary display exists, under the default (null) name.
    if (lpszDeviceName != nullptr || lpDevMode == nullptr || !startVideo()) return FALSE;
    SDL_DisplayMode mode;
    int result;
    if (iModeNum == ENUM_CURRENT_SETTINGS || iModeNum == ENUM_REGISTRY_SETTINGS) {
        result = SDL_GetDesktopDisplayMode(primaryDisplay, &mode);
    } else {
        result = SDL_GetDisplayMode(primaryDisplay, int(iModeNum), &mode);
    }
    if (result != 0) return FALSE;
    fillDevMode(mode, *lpDevMode);
    return TRUE;
}

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* lpDevMode, DWORD dwFlags) {
    if (lpDevMode == nullptr) {
        // A null mode means the registry (desktop) mode: testing it always
        // works, anything else goes back to it.
        if (!(dwFlags & CDS_TEST)) returnToDesktop();
        return DISP_CHANGE_SUCCESSFUL;
    }
    // Going back for good without video running: nothing was ever switched.
    // (The game does this once more at exit, after the host has shut down.)
    if (!(dwFlags & (CDS_FULLSCREEN | CDS_TEST)) && !videoStarted()) {
        fullscreenRequested = false;
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (!startVideo()) return DISP_CHANGE_FAILED;
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(primaryDisplay, &desktop) != 0) return DISP_CHANGE_FAILED;
    DWORD width = (lpDevMode->dmFields & DM_PELSWIDTH) ? lpDevMode->dmPelsWidth : DWORD(desktop.w);
    DWORD height = (lpDevMode->dmFields & DM_PELSHEIGHT) ? lpDevMode->dmPelsHeight : DWORD(desktop.h);

    SDL_DisplayMode offered;
    // The colour depth is not matched: hosts offer 24 or 32 bits where the
    // game asks for 16, and Windows converts the same way.
    if (!findOfferedMode(width, height, offered)) return DISP_CHANGE_FAILED;
    if (dwFlags & CDS_TEST) return DISP_CHANGE_SUCCESSFUL;
    if (dwFlags & CDS_FULLSCREEN) {
        fullscreenMode = offered;
        fullscreenRequested = true;
        return DISP_CHANGE_SUCCESSFUL;
    }
    // A lasting change (a saved mode restored with CDS_RESET, or no flags):
    // only the desktop mode itself can be kept without a full-screen window.
    if (DWORD(desktop.w) == width && DWORD(desktop.h) == height) {
        returnToDesktop();
        return DISP_CHANGE_SUCCESSFUL;
    }
    return DISP_CHANGE_FAILED;
}
