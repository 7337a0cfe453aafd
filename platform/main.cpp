// The process entry: calls WinMain as Windows would, with an empty command
// line (the game reads none), and shuts the platform layer down after it
// returns. A termination signal closes the game's window as its close button
// does, from the start; the display going away ends the session as a log-off.
#include "platform/handles.h"

namespace {
char emptyCommandLine[] = "";
}

int main() {
    catchTerminationSignals();
    catchDisplayLoss();
    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, emptyCommandLine, SW_SHOW);
    stopHost();
    return result;
}
