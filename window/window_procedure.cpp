// The window procedure: it only records facts for the main loop (key flags,
// whether the window is minimised, its position), resets the projection on a
// resize and follows the monitor's scale. All game logic reads those flags in
// the next frame. The one exception is the end of the Windows session, which
// gives no next frame.
#include "game/game_state.h"
#include "game/key_state.h"
#include "window/gl_window.h"
#include "window/session_save.h"

#include "platform/win32.h"

namespace {
constexpr WPARAM keyCodeCount = sizeof(KeyState::down);
}  // namespace

LRESULT CALLBACK windowProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOVE:
        // Both words unsigned: a window left of the screen edge records a
        // large positive x.
        glWindow.setPosition(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_SIZE:
        // The virtual screen stays as it is whatever the new client size.
        glWindow.setProjection(virtualScreenWidth, virtualScreenHeight, 0.0, 0.0);
        return 0;
    case WM_DPICHANGED:
        // Both DPIs are in wParam (x low, y high, always equal); lParam
        // points to the rectangle Windows suggests for the new scale.
        glWindow.followDpi(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_ACTIVATE:
        // The high word is the minimised flag; the activation state is ignored.
        gameState.windowActive = HIWORD(wParam) == 0;
        return 0;
    case WM_CLOSE:
        // The window stays until killWindow; the loop ends on the quit message.
        PostQuitMessage(0);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;  // the game never holds up a log-off or shut-down
    case WM_ENDSESSION:
        // Windows ends the process once this returns, without a WM_QUIT:
        // the session is saved now or never.
        if (wParam) saveSession();
        return 0;
    case WM_KEYDOWN:
        if (wParam < keyCodeCount) keyState.down[wParam] = 1;
        return 0;
    case WM_KEYUP:
        if (wParam < keyCodeCount) keyState.down[wParam] = 0;
        return 0;
    case WM_SYSCOMMAND:
        // No screen saver and no monitor power-off while the game runs.
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
        break;
    default:
        break;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}
