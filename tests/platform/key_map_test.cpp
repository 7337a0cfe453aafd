// Host key events arrive as the key messages the game's window procedure
// reads, with Windows virtual-key codes; keys the game does not read send
// nothing.
#include "tests/platform/platform_fixture.h"

using KeyMapTest = PlatformTest;

TEST_F(KeyMapTest, HostKeysArriveWithWindowsCodesAndAsSystemKeysWhileAltIsHeld) {
    HWND window = createClientWindow(64, 48), other = createClientWindow(32, 32);
    drainQueue();
    // Scancode, character, modifiers, virtual key (0: no message), system key.
    // clang-format off
    const std::tuple<SDL_Scancode, SDL_Keycode, Uint16, WPARAM, bool> keys[] = {
        {SDL_SCANCODE_LEFT, SDLK_LEFT, 0, 37, 0}, {SDL_SCANCODE_UP, SDLK_UP, 0, 38, 0},
        {SDL_SCANCODE_RIGHT, SDLK_RIGHT, 0, 39, 0}, {SDL_SCANCODE_DOWN, SDLK_DOWN, 0, 40, 0},
        {SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, 0, 8, 0},
        {SDL_SCANCODE_RETURN, SDLK_RETURN, 0, 13, 0}, {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, 0, 13, 0},
        {SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT, 16, 0}, {SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, KMOD_RSHIFT, 16, 0},
        {SDL_SCANCODE_LCTRL, SDLK_LCTRL, KMOD_LCTRL, 17, 0}, {SDL_SCANCODE_RCTRL, SDLK_RCTRL, KMOD_RCTRL, 17, 0},
        {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, 0, 27, 0}, {SDL_SCANCODE_SPACE, SDLK_SPACE, 0, 32, 0},
        {SDL_SCANCODE_F1, SDLK_F1, 0, 112, 0}, {SDL_SCANCODE_F4, SDLK_F4, 0, 115, 0},
        {SDL_SCANCODE_F12, SDLK_F12, 0, 123, 0},
        // Letters ignore Caps Lock and Shift and follow the layout (QWERTZ,
        // AZERTY), by position where it has no Latin letters (Cyrillic), but
        // not where the key types punctuation; the digit row is '0'..'9' on
        // every layout, the keypad never is.
        {SDL_SCANCODE_A, 'a', 0, 'A', 0}, {SDL_SCANCODE_P, 'p', 0, 'P', 0}, {SDL_SCANCODE_Y, 'z', 0, 'Z', 0},
        {SDL_SCANCODE_A, 'a', KMOD_CAPS, 'A', 0}, {SDL_SCANCODE_A, 'a', KMOD_LSHIFT, 'A', 0},
        {SDL_SCANCODE_Q, 'a', 0, 'A', 0}, {SDL_SCANCODE_A, 0x0444, 0, 'A', 0}, {SDL_SCANCODE_M, ',', 0, 0, 0},
        {SDL_SCANCODE_1, '1', 0, '1', 0}, {SDL_SCANCODE_9, '9', 0, '9', 0}, {SDL_SCANCODE_0, '0', 0, '0', 0},
        {SDL_SCANCODE_1, '1', KMOD_LSHIFT, '1', 0}, {SDL_SCANCODE_1, '&', 0, '1', 0},
        {SDL_SCANCODE_KP_7, SDLK_KP_7, KMOD_NUM, 0, 0}, {SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN, 0, 0, 0},
        // Keys the game does not read, Alt and F10 included.
        {SDL_SCANCODE_TAB, SDLK_TAB, 0, 0, 0}, {SDL_SCANCODE_F10, SDLK_F10, 0, 0, 0},
        {SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT, 0, 0},
        // While Alt is held.
        {SDL_SCANCODE_A, 'a', KMOD_LALT, 'A', 1}, {SDL_SCANCODE_LEFT, SDLK_LEFT, KMOD_RALT, 37, 1},
        {SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_LALT, 13, 1}, {SDL_SCANCODE_F4, SDLK_F4, KMOD_LALT, 115, 1},
    };
    // clang-format on
    for (auto [scancode, character, modifiers, virtualKey, system] : keys) {
        SCOPED_TRACE(testing::Message() << "scancode " << scancode << ", character " << character
                                        << ", modifiers " << modifiers);
        pushKey(window, scancode, character, modifiers);
        pushKey(window, scancode, character, modifiers, SDL_KEYUP);
        MSG down = take(), up = take();
        const UINT message = virtualKey == 0 ? 0 : system ? WM_SYSKEYDOWN : WM_KEYDOWN;
        EXPECT_EQ(std::make_tuple(down.message, down.wParam, up.message, up.wParam),
                  std::make_tuple(message, virtualKey, message == 0 ? 0 : message + 1, virtualKey));
        EXPECT_TRUE(message == 0 || (down.hwnd == window && up.hwnd == window));
    }
    // Auto-repeat is another WM_KEYDOWN, so the game's flag is set again.
    pushKey(window, SDL_SCANCODE_DOWN, SDLK_DOWN, KMOD_NONE, SDL_KEYDOWN, 1);
    EXPECT_EQ(take().wParam, WPARAM(40));
    // SDL reports no window while it has not seen the focus arrive; the focus
    // is looked up when the keys are taken from the host, none: no message.
    SetFocus(other);
    pushKey(nullptr, SDL_SCANCODE_A, 'a');
    SetFocus(window);
    pushKey(nullptr, SDL_SCANCODE_A, 'a');
    EXPECT_EQ(std::make_pair(take().hwnd, take().hwnd), std::make_pair(window, window));
    SetFocus(nullptr);
    pushKey(nullptr, SDL_SCANCODE_A, 'a');
    EXPECT_EQ(take().message, 0u);
}
