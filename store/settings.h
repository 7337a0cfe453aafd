// The settings file "Stapelix.ini" and the values it keeps from one run to
// the next: field size, tick length, full-screen flag and window size (the
// player's name lives in the highscore table).
#pragma once

#include <cstdint>

struct SaveFailure;

// The playable field: widths and heights from 4 to 30 cells.
constexpr uint32_t minFieldSize = 4;
constexpr uint32_t maxFieldSize = 30;

// The values with their defaults, which stay when the file or a line is missing.
struct Settings {
    uint32_t fieldWidth = 10;  // cells, minFieldSize..maxFieldSize once read
    uint32_t fieldHeight = 20;
    uint32_t speedLimit = 30;  // milliseconds per game tick, at least 1 once read
    bool fullscreen = false;
    uint32_t windowWidth = 640;  // client size in pixels, at least 64 x 48 once read
    uint32_t windowHeight = 480;
};

extern Settings settings;

// False when the file is there but could not be opened or read to its end:
// it must then not be overwritten, and readError holds the errno that says
// why. A missing file leaves every default.
bool loadSettings(const char* fileName, int& readError);
bool saveSettings(const char* fileName, SaveFailure& failure);
