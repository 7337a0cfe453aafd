// A program whose WinMain reports what the platform's main handed it: the
// command line on standard output, and in the exit code whether the other
// arguments are Windows-like and whether fopen takes the command line as a
// Windows path.
#include <cstdio>

#include "platform/win32.h"

namespace {
constexpr int argumentsAsExpected = 40;
constexpr int fileOpened = 2;
}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd) {
    std::printf("%s", lpCmdLine);
    int result = 0;
    if (hInstance == GetModuleHandleA(nullptr) && hInstance != nullptr && hPrevInstance == nullptr &&
        nShowCmd == SW_SHOW) {
        result += argumentsAsExpected;
    }
    if (FILE* file = std::fopen(lpCmdLine, "rb")) {
        std::fclose(file);
        result += fileOpened;
    }
    return result;
}
