// The message queue: host events become window messages, and the Win32 calls
// that read and dispatch them.
#include "platform/handles.h"
#include "platform/key_map.h"
#include "platform/win32_extra.h"

namespace {

constexpr int queueCapacity = 512;
// Host events are taken only while this many messages still fit, so an event
// is never dropped: it waits in SDL's queue instead.
constexpr int maxMessagesPerEvent = maxWindows;

constexpr WPARAM minimisedFlag = WPARAM(1) << 16;
// How often a wait for host events looks for a termination signal.
constexpr int signalPollMilliseconds = 100;

// A ring buffer of posted messages, oldest at head. WM_QUIT is not queued:
// like Windows, it is a flag that is reported once nothing else is waiting.
// The game has one thread, so there is one queue.
struct MessageQueue {
    MSG messages[queueCapacity];
    int head;
    int count;
    bool quitPosted;
    int quitCode;
};

MessageQueue queue;

void post(WindowRecord* record, UINT message, WPARAM wParam, LPARAM lParam) {
    if (record == nullptr || queue.count == queueCapacity) return;
    MSG& msg = queue.messages[(queue.head + queue.count) % queueCapacity];
    msg = MSG{};
    msg.hwnd = handleOf(record);
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    ++queue.count;
}

// The window a keyboard event belongs to: the one SDL names, else the one
// SDL gives keyboard focus, else the one SetFocus named (SDL reports no
// window for keys typed before it has seen the focus arrive).
WindowRecord* keyboardWindow(Uint32 windowId) {
    if (WindowRecord* record = findWindowOfSdl(windowId)) return record;
    SDL_Window* focus = SDL_GetKeyboardFocus();
    if (focus != nullptr) {
        if (WindowRecord* record = findWindowOfSdl(SDL_GetWindowID(focus))) return record;
    }
    return focusedWindow();
}

// Windows reports keys as system keys while Alt is held; the game leaves
// those to DefWindowProcA. The game reads no key message's lParam.
void postKey(const SDL_KeyboardEvent& key) {
    const WPARAM virtualKey = virtualKeyOf(key.keysym);
    WindowRecord* record = keyboardWindow(key.windowID);
    if (virtualKey == 0 || record == nullptr) return;
    const bool system = (key.keysym.mod & KMOD_ALT) != 0;
    const bool released = key.type == SDL_KEYUP;
    const UINT message =
        released ? (system ? WM_SYSKEYUP : WM_KEYUP) : (system ? WM_SYSKEYDOWN : WM_KEYDOWN);
    post(record, message, virtualKey, 0);
}

void postWindowEvent(const SDL_WindowEvent& event) {
    WindowRecord* record = findWindowOfSdl(event.windowID);
    if (record == nullptr) return;
    switch (event.event) {
        case SDL_WINDOWEVENT_MOVED:
            post(record, WM_MOVE, 0, packWords(event.data1, event.data2));
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            post(record, WM_SIZE, SIZE_RESTORED, packWords(event.data1, event.data2));
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            post(record, WM_ACTIVATE, WA_INACTIVE | minimisedFlag, 0);
            break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            post(record, WM_ACTIVATE, WA_ACTIVE, 0);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            post(record, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
}

// Every live window is asked to close, as Windows asks at a log-off.
void closeEveryWindow() {
    for (WindowRecord& record : windowRecords) {
        if (record.live) post(&record, WM_CLOSE, 0, 0);
    }
}

bool anyLiveWindow() {
    for (const WindowRecord& record : windowRecords) {
        if (record.live) return true;
    }
    return false;
}

// A signal before the window exists waits for it.
void deliverTermination() {
    if (!terminationPending() || !anyLiveWindow()) return;
    clearTermination();
    closeEveryWindow();
}

void translate(const SDL_Event& event) {
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            postKey(event.key);
            break;
        case SDL_WINDOWEVENT:
            postWindowEvent(event.window);
            break;
        case SDL_QUIT:
            closeEveryWindow();  // a termination request from outside
            break;
        default:
            break;
    }
}

bool eventsRunning() {
    return SDL_WasInit(SDL_INIT_EVENTS) != 0;
}

void pumpHostEvents() {
    deliverTermination();
    if (!eventsRunning()) return;
    SDL_PumpEvents();
    SDL_Event event;
    while (queue.count + maxMessagesPerEvent <= queueCapacity &&
           SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
        translate(event);
    }
}

bool isKeyMessage(UINT message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
           message == WM_SYSKEYUP;
}

}  // namespace

BOOL WINAPI PeekMessageA(MSG* lpMsg, HWND, UINT, UINT, UINT) {
    if (lpMsg == nullptr) return FALSE;
    pumpHostEvents();
    if (queue.count > 0) {
        *lpMsg = queue.messages[queue.head];
        queue.head = (queue.head + 1) % queueCapacity;
        --queue.count;
        return TRUE;
    }
    // WM_QUIT belongs to the thread, not to a window.
    if (queue.quitPosted) {
        *lpMsg = MSG{};
        lpMsg->message = WM_QUIT;
        lpMsg->wParam = WPARAM(queue.quitCode);
        queue.quitPosted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    // No character messages are made; Windows reports key messages as
    // translated all the same.
    return lpMsg != nullptr && isKeyMessage(lpMsg->message) ? TRUE : FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
    if (lpMsg == nullptr) return 0;
    WindowRecord* record = findWindow(lpMsg->hwnd);
    if (record == nullptr) return 0;
    return sendMessage(record, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

BOOL WINAPI WaitMessage(void) {
    if (queue.count > 0 || queue.quitPosted) return TRUE;
    // Without SDL events nothing could ever arrive: fail instead of hanging.
    if (!eventsRunning()) return FALSE;
    // A signal does not wake SDL's wait: look for one between short waits.
    SDL_Event event;
    while (SDL_WaitEventTimeout(&event, signalPollMilliseconds) == 0) {
        deliverTermination();
        if (queue.count > 0) return TRUE;
    }
    translate(event);
    return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode) {
    queue.quitPosted = true;
    queue.quitCode = nExitCode;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM) {
    // Alt+F4 closes the window, through the system menu's close command.
    if (Msg == WM_SYSKEYDOWN && wParam == VK_F4) {
        return sendMessage(findWindow(hWnd), WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    if (Msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
        return sendMessage(findWindow(hWnd), WM_CLOSE, 0, 0);
    }
    return 0;
}
