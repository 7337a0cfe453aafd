// The entry function: the claim on the folder, start-up, the message loop with
// one frame per pass when the queue is empty, and shut-down with both files
// written back. The files are also written the moment a game ends, so that a
// crash or a power cut later in the session loses nothing of it.
#include <cstdlib>
#include <ctime>

#include "game/frame_logic.h"
#include "game/game_state.h"
#include "render/scene.h"
#include "store/folder_guard.h"
#include "store/saved_files.h"
#include "store/settings.h"
#include "window/folder_window.h"
#include "window/gl_window.h"
#include "window/player_notice.h"
#include "window/session_save.h"

#include "platform/win32.h"

namespace {

constexpr const char* blockTextureFile = "Images\\Block.bmp";
constexpr const char* windowClassName = "Stapelix";
constexpr const char* windowTitle = "Stapelix by Norvane";
constexpr int colorBits = 16;
constexpr DWORD frameSleepMilliseconds = 1;
constexpr int failedStartStatus = 1;  // no window: a failure, never success
// A second start in a folder where the game runs has done what was asked
// when that game is in front or the player knows of it: it ends with 0, as
// every ending the game explains in a box does.
constexpr int secondStartStatus = 0;

typedef BOOL(WINAPI* SwapIntervalFunction)(int interval);
typedef void (*AnyFunction)();

// Buffer swaps stop waiting for the vertical retrace where the driver lets us.
void disableSwapWait() {
    if (!glWindow.hasExtension("WGL_EXT_swap_control")) return;
    // Through a generic function type, which converts to any other without a
    // warning about incompatible signatures.
    const AnyFunction found = reinterpret_cast<AnyFunction>(wglGetProcAddress("wglSwapIntervalEXT"));
    if (found == nullptr) return;
    reinterpret_cast<SwapIntervalFunction>(found)(0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before any file is read: a second game in this folder would write over
    // this one's scores, so it ends here, having read and written nothing.
    const FolderClaim claim = claimFolder(".");
    if (claim.state == FolderClaimState::HeldByAnotherGame) {
        if (!raiseFolderWindow(claim.name.c_str())) tellPlayer(folderClaimNotice(claim).c_str());
        return secondStartStatus;
    }
    tellPlayer(folderClaimNotice(claim).c_str());  // unguarded: the player hears why, then plays

    LoopState loop;

    glWindow.addTextureFile(blockTextureFile);
    // A file that could not be read will not be saved to: the player hears
    // of it now, before playing a session that will not be kept there.
    tellPlayer(loadSavedFiles(savedFiles).c_str());
    preparePlayerName(loop);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    initTickTimer(loop.tickTimer);

    glWindow.setClassName(windowClassName);
    if (!glWindow.createWindow(windowTitle, static_cast<int>(settings.windowWidth),
                               static_cast<int>(settings.windowHeight), colorBits,
                               settings.fullscreen)) {
        return failedStartStatus;  // already reported; nothing is written
    }
    markFolderWindow(glWindow.window, claim.name.c_str());
    buildSceneFont();  // goes on with the GL set-up where createWindow left it
    glWindow.setProjection(virtualScreenWidth, virtualScreenHeight, 0.0, 0.0);
    disableSwapWait();

    // The program's result: the quit message's code when the loop ends on it,
    // 0 when the frame logic asked to quit (F12, "Exit Game"). The last
    // message taken before such a quit is a key message, whose key code is
    // no exit status.
    int result = 0;
    MSG message = {};
    for (;;) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                result = static_cast<int>(message.wParam);
                break;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
            continue;  // every pending message before the next frame
        }
        if (!gameState.windowActive) {
            WaitMessage();  // minimised: no frames until something happens
            continue;
        }
        runFrameLogic(loop);
        drawScene();
        glWindow.swapBuffers();
        if (loop.gameEnded) {
            loop.gameEnded = false;
            saveSession();  // the final field is on screen already
        }
        Sleep(frameSleepMilliseconds);
        if (loop.quitRequested) break;
    }

    saveSession();  // keeps a file that could not be read
    unmarkFolderWindow(glWindow.window, claim.name.c_str());
    glWindow.killWindow();
    return result;
}
