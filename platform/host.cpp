// The host session: starting SDL video with a real display and shutting the
// whole platform layer down at the end of the process.
#include <stdlib.h>

#include <cstring>

#include "platform/handles.h"

namespace {

// Drivers that draw nowhere a person could see. SDL falls back to them when no
// display is reachable; they are used only when SDL_VIDEODRIVER names them.
const char* const invisibleDrivers[] = {"offscreen", "dummy", "evdev"};
constexpr size_t driverListCapacity = 256;

bool isInvisibleDriver(const char* name) {
    for (const char* invisible : invisibleDrivers) {
        if (SDL_strcasecmp(name, invisible) == 0) return true;
    }
    return false;
}

// Puts every compiled-in driver that shows a real display into the driver
// hint, in SDL's own order of preference.
void restrictToVisibleDrivers() {
    char list[driverListCapacity] = "";
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const char* name = SDL_GetVideoDriver(i);
        if (name == nullptr || isInvisibleDriver(name)) continue;
        if (list[0] != '\0') SDL_strlcat(list, ",", sizeof list);
        SDL_strlcat(list, name, sizeof list);
    }
    // An empty list would let SDL pick any driver; name one that cannot exist.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, list[0] != '\0' ? list : "none");
}

}  // namespace

bool videoStarted() {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

bool startVideo() {
    if (videoStarted()) return true;
    const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (requested == nullptr || requested[0] == '\0') restrictToVisibleDrivers();
    // Mesa's software rasteriser hands every frame to helper threads and waits
    // for them; for a picture this small the hand-offs cost more processor
    // time than the drawing. Draw on the game's thread unless the player chose.
    setenv("LP_NUM_THREADS", "0", 0);
    // SDL_QUIT then means only a signal; closing a window is WM_CLOSE.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        failWithHostReason();
        return false;
    }
    applyCursorVisibility();
    return true;
}

bool displayAvailable() {
    if (videoStarted()) {
        const char* driver = SDL_GetCurrentVideoDriver();
        return driver != nullptr && !isInvisibleDriver(driver);
    }
    const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (requested != nullptr && requested[0] != '\0' && isInvisibleDriver(requested)) return false;
    const char* x11 = SDL_getenv("DISPLAY");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && x11[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
}

void stopHost() {
    releaseContexts();
    releaseWindows();
    releaseFonts();
    SDL_Quit();
}
