// Shared helpers for the core tests: a clean game state, the field and the
// highscore lists as text, frames driven by key flags and counter values, and
// temp directories.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "game/frame_logic.h"
#include "game/game_state.h"
#include "game/key_state.h"
#include "store/highscores.h"
#include "store/settings.h"

// Virtual-key codes as the window procedure delivers them.
namespace key {
constexpr uint8_t backspace = 8, enter = 13, shift = 16, control = 17, escape = 27, space = 32,
                  left = 37, up = 38, right = 39, down = 40, f1 = 112, f12 = 123;
}  // namespace key

// The points the rules award for the rows one lock removes.
constexpr uint32_t pointsForRows[] = {0, 1, 3, 5, 8};

// Every game variable, the field, the keys and every highscore list back to
// their start-up values.
void resetCore();
void press(uint8_t code);
bool isDown(uint8_t code);

// The active area as text, top row first, rows joined by '/': '.' for an
// empty cell, 'x' for colour 1, else the colour code as a hex digit.
std::string fieldPicture();
// Fills the active area from such text ('x' and '.' only); the rows given are
// the lowest ones, rows above them are emptied.
void setField(const std::string& rowsTopFirst);

// The ranked entries of a list as "name:score" words; and the reverse, which
// fills the list from its first slot.
std::string ranked(uint32_t width, uint32_t height);
void setList(uint32_t width, uint32_t height, const std::string& entries);

// Sets the timer so that the next timedGameStep sees `ms` milliseconds since
// the last tick (counter at 1 MHz), keeping the carry.
void elapse(TickTimer& timer, int64_t ms);
// One frame in which the game step sees a tick as due (when it runs at all).
void frameWithTick(LoopState& loop);
// One frame in which no tick is due.
void frameWithoutTick(LoopState& loop);

// A fresh directory under the system temp directory, removed with its content.
struct TempDir {
    TempDir();
    ~TempDir();
    std::string file(const char* name) const { return (path / name).string(); }
    int entries() const;  // how many files and directories it holds
    std::filesystem::path path;
};

std::string readFile(const std::string& fileName);
void writeFile(const std::string& fileName, const std::string& content);
