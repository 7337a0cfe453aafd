// A program whose WinMain reports what the platform's main handed it: the
// command line on standard output, and the exit code 40 when the other
// arguments are as Windows gives them.
#include <cstdio>

#include "platform/win32.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd) {
    std::printf("%s", lpCmdLine);
    const bool windowsLike = hInstance == GetModuleHandleA(nullptr) && hInstance != nullptr &&
                             hPrevInstance == nullptr && nShowCmd == SW_SHOW;
    return windowsLike ? 40 : 0;
}
