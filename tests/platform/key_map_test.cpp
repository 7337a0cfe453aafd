// Host key events arrive as the key messages the game's window procedure
// reads, with Windows virtual-key codes.
#include "tests/platform/platform_fixture.h"

namespace {

constexpr LPARAM altContextFlag = LPARAM(1) << 29;
constexpr LPARAM previousStateFlag = LPARAM(1) << 30;
constexpr LPARAM transitionFlag = LPARAM(UINT_PTR(1) << 31);

struct KeyCase {
    const char* name;
    SDL_Scancode scancode;
    SDL_Keycode character;
    Uint16 modifiers;
    WPARAM virtualKey;
};

class KeyMapTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        window = createClientWindow(64, 48);
        ASSERT_NE(window, nullptr);
        drainQueue();
    }

    void push(Uint32 type, SDL_Scancode scancode, SDL_Keycode character, Uint16 modifiers, Uint8 repeat = 0) {
        SDL_Event event = {};
        event.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat;
        event.key.windowID = SDL_GetWindowID(sdlWindowOf(window));
        event.key.keysym.scancode = scancode;
        event.key.keysym.sym = character;
        event.key.keysym.mod = modifiers;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }

    // The next key message, or a zeroed MSG when there is none.
    MSG nextKey() {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_SYSKEYUP, PM_REMOVE)) return msg;
        return MSG{};
    }

    void expectKey(const KeyCase& key, UINT downMessage, UINT upMessage) {
        push(SDL_KEYDOWN, key.scancode, key.character, key.modifiers);
        push(SDL_KEYUP, key.scancode, key.character, key.modifiers);
        MSG down = nextKey();
        EXPECT_EQ(down.message, downMessage) << key.name;
        EXPECT_EQ(down.wParam, key.virtualKey) << key.name;
        EXPECT_EQ(down.hwnd, window) << key.name;
        MSG up = nextKey();
        EXPECT_EQ(up.message, upMessage) << key.name;
        EXPECT_EQ(up.wParam, key.virtualKey) << key.name;
    }

    HWND window = nullptr;
};

}  // namespace

TEST_F(KeyMapTest, TheGamesKeysArriveAsPlainKeyMessages) {
    const KeyCase keys[] = {
        {"left", SDL_SCANCODE_LEFT, SDLK_LEFT, KMOD_NONE, 37},
        {"up", SDL_SCANCODE_UP, SDLK_UP, KMOD_NONE, 38},
        {"right", SDL_SCANCODE_RIGHT, SDLK_RIGHT, KMOD_NONE, 39},
        {"down", SDL_SCANCODE_DOWN, SDLK_DOWN, KMOD_NONE, 40},
        {"backspace", SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, KMOD_NONE, 8},
        {"enter", SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_NONE, 13},
        {"keypad enter", SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, KMOD_NONE, 13},
        {"left shift", SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT, 16},
        {"right shift", SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, KMOD_RSHIFT, 16},
        {"left control", SDL_SCANCODE_LCTRL, SDLK_LCTRL, KMOD_LCTRL, 17},
        {"right control", SDL_SCANCODE_RCTRL, SDLK_RCTRL, KMOD_RCTRL, 17},
        {"escape", SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, KMOD_NONE, 27},
        {"space", SDL_SCANCODE_SPACE, SDLK_SPACE, KMOD_NONE, 32},
        {"F1", SDL_SCANCODE_F1, SDLK_F1, KMOD_NONE, 112},
        {"F12", SDL_SCANCODE_F12, SDLK_F12, KMOD_NONE, 123},
        {"P", SDL_SCANCODE_P, 'p', KMOD_NONE, 'P'},
    };
    for (const KeyCase& key : keys) expectKey(key, WM_KEYDOWN, WM_KEYUP);
}

TEST_F(KeyMapTest, LettersAndDigitsIgnoreCapsLockShiftAndLayout) {
    const KeyCase keys[] = {
        {"a", SDL_SCANCODE_A, 'a', KMOD_NONE, 'A'},
        {"z", SDL_SCANCODE_Z, 'z', KMOD_NONE, 'Z'},
        {"caps lock a", SDL_SCANCODE_A, 'a', KMOD_CAPS, 'A'},
        {"shift a", SDL_SCANCODE_A, 'a', KMOD_LSHIFT, 'A'},
        {"AZERTY a on the Q key", SDL_SCANCODE_Q, 'a', KMOD_NONE, 'A'},
        {"Cyrillic ef on the A key", SDL_SCANCODE_A, 0x0444, KMOD_NONE, 'A'},
        {"1", SDL_SCANCODE_1, '1', KMOD_NONE, '1'},
        {"9", SDL_SCANCODE_9, '9', KMOD_NONE, '9'},
        {"0", SDL_SCANCODE_0, '0', KMOD_NONE, '0'},
        {"shift 1", SDL_SCANCODE_1, '1', KMOD_LSHIFT, '1'},
        {"AZERTY ampersand on the 1 key", SDL_SCANCODE_1, '&', KMOD_NONE, '1'},
        {"keypad 0", SDL_SCANCODE_KP_0, SDLK_KP_0, KMOD_NUM, 96},
        {"keypad 7", SDL_SCANCODE_KP_7, SDLK_KP_7, KMOD_NUM, 103},
        {"keypad 9", SDL_SCANCODE_KP_9, SDLK_KP_9, KMOD_NUM, 105},
        {"comma", SDL_SCANCODE_COMMA, ',', KMOD_NONE, 0xBC},
        {"tab", SDL_SCANCODE_TAB, SDLK_TAB, KMOD_NONE, 9},
        {"delete", SDL_SCANCODE_DELETE, SDLK_DELETE, KMOD_NONE, 0x2E},
    };
    for (const KeyCase& key : keys) expectKey(key, WM_KEYDOWN, WM_KEYUP);
    // The digit keys of every layout keep the codes of the game's name typing:
    // nothing on the keypad falls into '0'..'9'.
    push(SDL_KEYDOWN, SDL_SCANCODE_KP_5, SDLK_KP_5, KMOD_NUM);
    MSG keypad = nextKey();
    EXPECT_FALSE(keypad.wParam >= '0' && keypad.wParam <= '9');
}

TEST_F(KeyMapTest, AltCombinationsAltItselfAndF10AreSystemKeys) {
    const KeyCase keys[] = {
        {"alt a", SDL_SCANCODE_A, 'a', KMOD_LALT, 'A'},
        {"alt left", SDL_SCANCODE_LEFT, SDLK_LEFT, KMOD_RALT, 37},
        {"alt enter", SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_LALT, 13},
        {"alt F4", SDL_SCANCODE_F4, SDLK_F4, KMOD_LALT, 0x73},
        {"F10", SDL_SCANCODE_F10, SDLK_F10, KMOD_NONE, 121},
    };
    for (const KeyCase& key : keys) expectKey(key, WM_SYSKEYDOWN, WM_SYSKEYUP);

    // Alt goes down with the modifier already set and up with it cleared.
    push(SDL_KEYDOWN, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT);
    push(SDL_KEYUP, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_NONE);
    MSG down = nextKey();
    EXPECT_EQ(down.message, UINT(WM_SYSKEYDOWN));
    EXPECT_EQ(down.wParam, WPARAM(VK_MENU));
    EXPECT_TRUE(down.lParam & altContextFlag);
    MSG up = nextKey();
    EXPECT_EQ(up.message, UINT(WM_SYSKEYUP));
    EXPECT_EQ(up.wParam, WPARAM(VK_MENU));
}

TEST_F(KeyMapTest, RepeatAndReleaseAreMarkedInLParam) {
    push(SDL_KEYDOWN, SDL_SCANCODE_DOWN, SDLK_DOWN, KMOD_NONE);
    push(SDL_KEYDOWN, SDL_SCANCODE_DOWN, SDLK_DOWN, KMOD_NONE, 1);
    push(SDL_KEYUP, SDL_SCANCODE_DOWN, SDLK_DOWN, KMOD_NONE);
    MSG first = nextKey();
    MSG repeat = nextKey();
    MSG release = nextKey();
    // Auto-repeat is another WM_KEYDOWN, so the game's flag is set again.
    EXPECT_EQ(first.message, UINT(WM_KEYDOWN));
    EXPECT_EQ(repeat.message, UINT(WM_KEYDOWN));
    EXPECT_EQ(release.message, UINT(WM_KEYUP));
    EXPECT_FALSE(first.lParam & previousStateFlag);
    EXPECT_TRUE(repeat.lParam & previousStateFlag);
    EXPECT_FALSE(repeat.lParam & transitionFlag);
    EXPECT_TRUE(release.lParam & previousStateFlag);
    EXPECT_TRUE(release.lParam & transitionFlag);
    for (const MSG& msg : {first, repeat, release}) {
        EXPECT_EQ(msg.lParam & 0xFFFF, 1);  // repeat count
        EXPECT_FALSE(msg.lParam & altContextFlag);
    }
}

TEST_F(KeyMapTest, KeysWithoutAWindowGoToTheFocusWindowAndUnknownKeysAreDropped) {
    push(SDL_KEYDOWN, SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN, KMOD_NONE);
    EXPECT_EQ(nextKey().message, 0u);

    HWND other = createClientWindow(32, 32);
    ASSERT_NE(other, nullptr);
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.windowID = 0;  // SDL has not seen the focus arrive yet
    event.key.keysym.scancode = SDL_SCANCODE_A;
    event.key.keysym.sym = 'a';
    SetFocus(other);
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    SetFocus(window);
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    // The focus is looked up when the keys are taken from the host.
    MSG first = nextKey();
    MSG second = nextKey();
    EXPECT_EQ(first.hwnd, window);
    EXPECT_EQ(second.hwnd, window);
    SetFocus(nullptr);
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    EXPECT_EQ(nextKey().message, 0u);
}
