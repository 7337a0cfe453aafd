// Host keys to Windows virtual-key codes, the way a US-style Windows keyboard
// driver reports them, for the keys the game reads and F4.
#include "platform/key_map.h"

#include "platform/win32_extra.h"

namespace {

constexpr WPARAM noKey = 0;

WPARAM digitRowKey(SDL_Scancode scancode) {
    // SDL orders the row 1..9, 0; Windows reports the digits' ASCII codes.
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
        return '1' + (scancode - SDL_SCANCODE_1);
    }
    if (scancode == SDL_SCANCODE_0) return '0';
    return noKey;
}

WPARAM namedKey(SDL_Scancode scancode) {
    switch (scancode) {
        case SDL_SCANCODE_BACKSPACE:
            return VK_BACK;
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_RETURN2:
        case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
        case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
        case SDL_SCANCODE_SPACE: return VK_SPACE;
        case SDL_SCANCODE_LSHIFT:
        case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
        case SDL_SCANCODE_LCTRL:
        case SDL_SCANCODE_RCTRL:
            return VK_CONTROL;
        case SDL_SCANCODE_LEFT: return VK_LEFT;
        case SDL_SCANCODE_UP: return VK_UP;
        case SDL_SCANCODE_RIGHT: return VK_RIGHT;
        case SDL_SCANCODE_DOWN: return VK_DOWN;
        case SDL_SCANCODE_F1:
            return VK_F1;
        case SDL_SCANCODE_F4:
            return VK_F4;
        case SDL_SCANCODE_F12:
            return VK_F12;
        default: return noKey;
    }
}

// Windows gives a key that types punctuation the code of that punctuation on a
// US layout, which the game does not read.
bool typesPunctuation(SDL_Keycode character) {
    switch (character) {
        case ';':
        case '=':
        case ',':
        case '-':
        case '.':
        case '/':
        case '`':
        case '[':
        case '\\':
        case ']':
        case '\'':
            return true;
        default:
            return false;
    }
}

}  // namespace

WPARAM virtualKeyOf(const SDL_Keysym& keysym) {
    const SDL_Scancode scancode = keysym.scancode;
    const SDL_Keycode character = keysym.sym;

    // The digit row is '0'..'9' even where it types other characters (AZERTY).
    if (WPARAM key = digitRowKey(scancode)) return key;
    // Letters follow the layout; the keycode is lower case whatever Caps Lock is.
    if (character >= 'a' && character <= 'z') return 'A' + (character - 'a');
    if (WPARAM key = namedKey(scancode)) return key;
    if (typesPunctuation(character)) return noKey;
    // Layouts whose keys type no Latin letter report letters by position.
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
        return 'A' + (scancode - SDL_SCANCODE_A);
    }
    return noKey;
}
