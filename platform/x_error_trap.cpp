// X protocol errors while a window or context is made. Xlib's default handler
// ends the process on the first one, before the game could say a word: a GL
// driver that cannot load, say, makes GLX refuse SDL's context with BadValue.
// Trapped, the error fails the step that caused it instead, and its words
// become the reason the game shows. SDL sets handlers of its own around some
// calls and puts back the one it found, this one.
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

#include "platform/handles.h"

namespace {

constexpr int errorTextCapacity = 160;
// The longest extension names in use are under 32 characters.
constexpr int extensionNameCapacity = 64;
constexpr unsigned char firstExtensionRequest = 128;  // below: the core protocol's

XErrorHandler previousHandler = nullptr;
bool errorCaught = false;
Display* errorDisplay = nullptr;
XErrorEvent firstError;

// Only the first error counts: later ones are its consequences.
int keepFirstError(Display* display, XErrorEvent* event) {
    if (!errorCaught) {
        errorCaught = true;
        errorDisplay = display;
        firstError = *event;
    }
    return 0;
}

// The extension whose major opcode the request carries, by asking the server
// (never from within the handler, which may not make requests).
void extensionName(Display* display, int majorOpcode, char* name, size_t capacity) {
    std::snprintf(name, capacity, "%d", majorOpcode);
    int count = 0;
    char** names = XListExtensions(display, &count);
    for (int i = 0; i < count; ++i) {
        int major = 0, event = 0, error = 0;
        if (XQueryExtension(display, names[i], &major, &event, &error) && major == majorOpcode) {
            std::snprintf(name, capacity, "%s", names[i]);
            break;
        }
    }
    if (names != nullptr) XFreeExtensionList(names);
}

// As Xlib's default handler words it: "BadValue (integer parameter out of
// range for operation) in X_GLXCreateContext".
void describeError(char* reason, size_t capacity) {
    char error[errorTextCapacity] = "";
    XGetErrorText(errorDisplay, firstError.error_code, error, sizeof error);
    char key[errorTextCapacity];
    if (firstError.request_code < firstExtensionRequest) {
        std::snprintf(key, sizeof key, "%d", firstError.request_code);
    } else {
        char extension[extensionNameCapacity];
        extensionName(errorDisplay, firstError.request_code, extension, sizeof extension);
        std::snprintf(key, sizeof key, "%s.%d", extension, firstError.minor_code);
    }
    char request[errorTextCapacity] = "";
    XGetErrorDatabaseText(errorDisplay, "XRequest", key, key, request, sizeof request);
    std::snprintf(reason, capacity, "X error %s in %s", error, request);
}

}  // namespace

void beginXErrorTrap() {
    errorCaught = false;
    previousHandler = XSetErrorHandler(keepFirstError);
}

bool endXErrorTrap(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window != nullptr && SDL_GetWindowWMInfo(window, &info) &&
        info.subsystem == SDL_SYSWM_X11) {
        XSync(info.info.x11.display, False);
    }
    // Described while still trapped: naming the request asks the server.
    char reason[hostReasonCapacity];
    if (errorCaught) describeError(reason, sizeof reason);
    XSetErrorHandler(previousHandler);
    if (errorCaught) failWithHostReason(reason);
    return errorCaught;
}
