// One frame of input handling. There is no mode variable: the mode follows
// from menuVisible, settingsVisible, gameRunning, paused and nameEditing, and
// each step below sees the flags as the steps before it left them.
#include "game/frame_logic.h"

#include <algorithm>
#include <cstring>

#include "game/game_state.h"
#include "game/key_state.h"
#include "store/highscores.h"
#include "store/settings.h"

namespace {

// Shift turns the digit row (and the unused codes up to '?') into the
// characters 16 below; letters are lower case unless Shift is held.
constexpr int shiftedDigitOffset = 16;
constexpr int lowerCaseOffset = 32;
constexpr uint8_t firstLetter = 65;  // 'A'
constexpr uint8_t unshiftable = 64;  // '@': no key sends it, Shift leaves it

bool isDown(uint8_t code) {
    return keyState.down[code] != 0;
}

char typedCharacter(uint8_t code, bool shift) {
    if (code >= firstLetter) return static_cast<char>(shift ? code : code + lowerCaseOffset);
    if (code == unshiftable || !shift) return static_cast<char>(code);
    return static_cast<char>(code - shiftedDigitOffset);
}

void typingPass(LoopState& loop) {
    char* name = playerName();
    loop.nameLength = std::min(loop.nameLength, maxNameLength);
    const bool shift = isDown(keyShift);
    for (int code = keyFirstTyped; code <= keyLastTyped; ++code) {
        // Backspace is checked at every code but consumed at the first, so it
        // acts once per frame and before any character of the frame.
        if (takeKey(keyBackspace) && loop.nameLength > 0) {
            --loop.nameLength;
            name[loop.nameLength] = '\0';
        }
        // P is the pause key, never a character: a P still set when Escape
        // left the game in the same frame must not be typed either.
        const uint8_t key = static_cast<uint8_t>(code);
        if (key != keyPause && isDown(key) && loop.nameLength < maxNameLength) {
            name[loop.nameLength] = typedCharacter(key, shift);
            keyState.down[key] = 0;
            ++loop.nameLength;
            name[loop.nameLength] = '\0';
        }
    }
}

void gameKeys(LoopState& loop) {
    bool running = true;
    if (takeKey(keyEscape)) {
        // Before its first tick a game cannot be resumed: "Resume Game" is not drawn.
        gameState.menuCursor = gameState.gameClock != 0 ? resumeLine : newGameLine;
        gameState.menuVisible = true;
        gameState.gameRunning = false;
        running = false;
    }
    if (takeKey(keyF1)) {
        loop.paused = true;
        loop.nameEditing = true;
    }
    if (loop.nameEditing && isDown(keyEnter)) {
        // Enter stays set: still held at game over, it leaves that screen too.
        loop.paused = false;
        loop.nameEditing = false;
    }
    if (running && takeKey(keyPause)) {
        loop.nameEditing = false;
        loop.paused = !loop.paused;
    } else if (loop.nameEditing) {
        typingPass(loop);
    }
}

// Names belong to a field size: the player carries the name into the new
// size's list as its unranked entry. Any press ends the game left behind.
void changeSize(uint32_t line, int step) {
    const bool width = line == widthLine;
    const uint32_t size = width ? settings.fieldWidth : settings.fieldHeight;
    if (step < 0 ? size > minFieldSize : size < maxFieldSize) {
        const uint32_t newSize = size + step;
        carryPlayerName(width ? highscoreList(newSize, settings.fieldHeight)
                              : highscoreList(settings.fieldWidth, newSize));
        (width ? settings.fieldWidth : settings.fieldHeight) = newSize;
    }
    gameState.gameClock = 0;
}

void settingsKeys() {
    const bool enter = takeKey(keyEnter);
    const bool escape = takeKey(keyEscape);
    if (enter || escape) {
        // Back on "Settings", also with an arrow key held: no cursor step now.
        gameState.menuCursor = settingsLine;
        gameState.settingsVisible = false;
        return;
    }
    if (gameState.menuCursor == widthLine || gameState.menuCursor == heightLine) {
        if (takeKey(keyLeft)) changeSize(gameState.menuCursor, -1);
        if (takeKey(keyRight)) changeSize(gameState.menuCursor, 1);
    }
    if (gameState.menuCursor != widthLine && takeKey(keyUp)) --gameState.menuCursor;
    if (gameState.menuCursor < heightLine && takeKey(keyDown)) ++gameState.menuCursor;
}

void mainMenuKeys(LoopState& loop) {
    bool openedSettings = false;
    if (takeKey(keyEnter)) {
        switch (gameState.menuCursor) {
            case resumeLine:
                if (gameState.gameClock == 0) break;  // an undrawn line does nothing
                gameState.gameRunning = true;
                gameState.menuVisible = false;
                break;
            case newGameLine:
                newGame();
                break;
            case settingsLine:
                gameState.settingsVisible = true;
                gameState.menuCursor = widthLine;
                openedSettings = true;
                break;
            case exitLine:
                loop.quitRequested = true;
                break;
            default:
                break;
        }
    }
    // One mode at a time: an Escape in the frame whose Enter opened the
    // settings is the submenu's, which it leaves; it resumes no game as well.
    if (!openedSettings && gameState.gameClock != 0 && takeKey(keyEscape)) {
        gameState.gameRunning = true;
        gameState.menuVisible = false;
    }
    // "Resume Game" is a line only while a game can be resumed.
    const uint32_t topLine = gameState.gameClock != 0 ? resumeLine : newGameLine;
    if (gameState.menuCursor > topLine && takeKey(keyUp)) --gameState.menuCursor;
    if (gameState.menuCursor < exitLine && takeKey(keyDown)) ++gameState.menuCursor;
    if (openedSettings) {
        settingsKeys();
        return;
    }
    // Only drawn lines hold the cursor.
    gameState.menuCursor = std::max(gameState.menuCursor, topLine);
}

}  // namespace

void preparePlayerName(LoopState& loop) {
    takeSavedName();
    char* name = playerName();
    if (name[0] == '\0') {
        // With nameLength 0 the first typed character replaces the placeholder.
        std::strcpy(name, namePlaceholder);
        loop.nameLength = 0;
        loop.paused = true;
        loop.nameEditing = true;
    } else {
        loop.nameLength = static_cast<uint32_t>(std::find(name, name + maxNameLength, '\0') - name);
    }
}

void runFrameLogic(LoopState& loop) {
    if (gameState.gameRunning && !loop.paused) {
        timedGameStep(loop.tickTimer);
        // Only a piece that cannot be placed stops a game inside the step.
        if (!gameState.gameRunning) loop.gameEnded = true;
    }

    if (gameState.gameRunning) gameKeys(loop);

    if (gameState.menuVisible) {
        if (gameState.settingsVisible) {
            settingsKeys();
        } else {
            mainMenuKeys(loop);
        }
    }

    // Game over: the field stays on screen until Enter or Escape.
    if (!gameState.gameRunning && !gameState.menuVisible &&
        (isDown(keyEnter) || isDown(keyEscape))) {
        takeKey(keyEnter);
        takeKey(keyEscape);
        gameState.menuCursor = newGameLine;
        gameState.gameClock = 0;
        gameState.menuVisible = true;
        gameState.gameRunning = false;
    }

    if (isDown(keyF12)) loop.quitRequested = true;  // left set: quits from any mode
}
