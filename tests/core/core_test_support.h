// Shared helpers for the core tests: a clean game state, pictures of the
// field, frames driven by key flags and counter values, and temp directories.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "game/frame_logic.h"
#include "game/game_state.h"
#include "store/highscores.h"

// Virtual-key codes as the window procedure delivers them.
namespace key {
constexpr uint8_t backspace = 8;
constexpr uint8_t enter = 13;
constexpr uint8_t shift = 16;
constexpr uint8_t control = 17;
constexpr uint8_t escape = 27;
constexpr uint8_t space = 32;
constexpr uint8_t left = 37;
constexpr uint8_t up = 38;
constexpr uint8_t right = 39;
constexpr uint8_t down = 40;
constexpr uint8_t f1 = 112;
constexpr uint8_t f12 = 123;
}  // namespace key

// Every game variable, the field, the keys and every highscore list back to
// their start-up values.
void resetCore();

void press(uint8_t code);
bool isDown(uint8_t code);

// The active area as text, top row first: '.' for an empty cell, otherwise
// "x" for colour 1, else the colour code as a hex digit ('9'..'f').
std::vector<std::string> fieldPicture();
// Fills the active area from such text, top row first; the rows given are the
// lowest ones, rows above them are emptied. 'x' stands for colour 1.
void setField(const std::vector<std::string>& rowsTopFirst);

// Sets the timer so that the next timedGameStep sees `ms` milliseconds since
// the last tick (counter at 1 MHz), keeping the carry.
void elapse(TickTimer& timer, int64_t ms);
// One frame in which the game step sees a tick as due (when it runs at all).
void frameWithTick(LoopState& loop);
// One frame in which no tick is due.
void frameWithoutTick(LoopState& loop);

// A fresh directory under the system temp directory, removed with its content.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const char* name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// While it lives, files cannot grow past `bytes`: writes fail as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    uint64_t savedLimit_ = 0;
};

std::string readFile(const std::string& fileName);
void writeFile(const std::string& fileName, const std::string& content);

// The points the rules award for the rows one lock removes.
uint32_t pointsForRows(uint32_t rows);
