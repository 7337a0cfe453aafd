// SIGHUP (the terminal closed), SIGINT and SIGTERM end the game the way its
// close button does: every window gets WM_CLOSE, the game saves and returns
// 0. The handler only raises a flag; the message queue turns it into
// messages. SDL's own handlers, which it installs only where none is set,
// would miss SIGHUP.
#include <signal.h>

#include "platform/handles.h"

namespace {

volatile sig_atomic_t terminationRequested = 0;

void onTerminationSignal(int) {
    terminationRequested = 1;
}

}  // namespace

void catchTerminationSignals() {
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    const int signalNumbers[] = {SIGHUP, SIGINT, SIGTERM};
    for (int signalNumber : signalNumbers) sigaction(signalNumber, &action, nullptr);
}

bool terminationPending() {
    return terminationRequested != 0;
}

void clearTermination() {
    terminationRequested = 0;
}
