// Windows' own view of the game windows under wine, where without a window manager X's focus
// and stacking do not follow the foreground. The windows are told apart by their client size.
//   foreground_window                    the foreground window: "<width>x<height> shown|minimised"
//   foreground_window minimise W H       minimises the game window of that client size
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Wanted {
    LONG width;
    LONG height;
    HWND found;
};

BOOL CALLBACK findBySize(HWND window, LPARAM wanted) {
    Wanted& size = *reinterpret_cast<Wanted*>(wanted);
    char className[16] = "";
    RECT client{};
    GetClassNameA(window, className, sizeof className);
    GetClientRect(window, &client);
    if (std::strcmp(className, "Stapelix") != 0 || client.right != size.width ||
        client.bottom != size.height)
        return TRUE;
    size.found = window;
    return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "minimise") == 0) {
        Wanted wanted{std::atol(argv[2]), std::atol(argv[3]), nullptr};
        EnumWindows(findBySize, reinterpret_cast<LPARAM>(&wanted));
        if (wanted.found == nullptr) {
            std::printf("no game window of %sx%s\n", argv[2], argv[3]);
            return 1;
        }
        ShowWindow(wanted.found, SW_MINIMIZE);
        for (int wait = 0; wait < 100 && !IsIconic(wanted.found); ++wait) Sleep(50);
        std::printf("%s\n", IsIconic(wanted.found) ? "minimised" : "not minimised");
        return IsIconic(wanted.found) ? 0 : 1;
    }
    const HWND front = GetForegroundWindow();
    RECT client{};
    if (front == nullptr || !GetClientRect(front, &client)) {
        std::printf("no foreground window\n");
        return 0;
    }
    std::printf("%ldx%ld %s\n", client.right, client.bottom,
                IsIconic(front) ? "minimised" : "shown");
    return 0;
}
