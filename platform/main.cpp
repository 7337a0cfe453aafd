// The process entry: calls WinMain as Windows would, with an empty command
// line (the game reads none), and shuts the platform layer down after it
// returns.
#include "platform/handles.h"

namespace {
char emptyCommandLine[] = "";
}

int main() {
    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, emptyCommandLine, SW_SHOW);
    stopHost();
    return result;
}
