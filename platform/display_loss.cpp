// The X server going away under the game (the desktop session ended, the
// server stopped) ends the game as a log-off ends it on Windows: every window
// procedure gets WM_QUERYENDSESSION, then WM_ENDSESSION, in which the game
// saves, and the process ends at once. Xlib's own handler calls exit(), whose
// clean-up then destroys the windows through SDL, which waits for an answer
// on the dead connection forever, at full speed, without saving a thing.
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>

#include "platform/handles.h"

namespace {

// As Xlib's own handler ends the process: the game did not end by itself.
constexpr int displayLostStatus = 1;

bool displayLost = false;

int endSessionOnDisplayLoss(Display* display) {
    // A save that touches the display again ends up here a second time.
    if (displayLost) _exit(displayLostStatus);
    displayLost = true;
    std::fprintf(stderr, "The connection to the display %s was lost; the game saves and ends.\n",
                 display != nullptr ? DisplayString(display) : "");
    // The session is over whatever a window answers: no one is left to ask.
    for (WindowRecord& record : windowRecords) sendMessage(&record, WM_QUERYENDSESSION, 0, 0);
    for (WindowRecord& record : windowRecords) sendMessage(&record, WM_ENDSESSION, TRUE, 0);
    // Nothing may run that speaks to the display: no exit handlers, no SDL.
    _exit(displayLostStatus);
}

}  // namespace

void catchDisplayLoss() {
    XSetIOErrorHandler(endSessionOnDisplayLoss);
}
