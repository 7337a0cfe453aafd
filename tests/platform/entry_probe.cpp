// A program whose WinMain reports what the platform's main handed it: the
// command line on standard output, and in the exit code 40 when the other
// arguments are Windows-like, plus 2 when fopen opens the command line as a
// Windows path.
#include <cstdio>

#include "platform/win32.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd) {
    std::printf("%s", lpCmdLine);
    bool windowsLike = hInstance == GetModuleHandleA(nullptr) && hInstance != nullptr &&
                       hPrevInstance == nullptr && nShowCmd == SW_SHOW;
    FILE* file = std::fopen(lpCmdLine, "rb");
    if (file != nullptr) std::fclose(file);
    return (windowsLike ? 40 : 0) + (file != nullptr ? 2 : 0);
}
