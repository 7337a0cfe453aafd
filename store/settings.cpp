// "Stapelix.ini": every line is tried against all five patterns in order, so
// the section lines and anything unknown simply match nothing.
#include "store/settings.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "store/highscores.h"
#include "store/safe_save.h"
#include "store/text_lines.h"

Settings settings;

namespace {

constexpr int32_t minWindowWidth = 64;
constexpr int32_t minWindowHeight = 48;
constexpr uint32_t minSpeedLimit = 1;  // the game step divides by the tick length

// Field sizes from the file are clamped into the playable range, so that the
// name on the same line already lands in a list the game can use.
uint32_t clampFieldSize(unsigned value) {
    return std::clamp<uint32_t>(value, minFieldSize, maxFieldSize);
}

// Compared as signed 32-bit numbers: values from 2147483648 up count as
// negative and become the minimum too.
uint32_t atLeast(uint32_t value, int32_t minimum) {
    return static_cast<int32_t>(value) < minimum ? static_cast<uint32_t>(minimum) : value;
}

void applyLine(const char* line) {
    unsigned first = 0;
    unsigned second = 0;
    // Each pattern assigns as far as it matched.
    int matched = std::sscanf(line, "Field = %u %u", &first, &second);
    if (matched >= 1) settings.fieldWidth = clampFieldSize(first);
    if (matched >= 2) settings.fieldHeight = clampFieldSize(second);

    // The name is the rest of the line after "Name = ", blanks included, as
    // name editing types them; only the line end is not part of it. A name
    // keeps its first 19 characters.
    int nameStart = -1;
    std::sscanf(line, "Name =%n", &nameStart);
    if (nameStart >= 0) {
        const char* text = line + nameStart;
        if (*text == ' ') ++text;  // the one blank the writer puts after '='
        char(&name)[nameSize] = currentList()[unrankedSlot].name;
        std::memset(name, 0, nameSize);
        std::memcpy(name, text, std::min<size_t>(std::strcspn(text, "\r\n"), maxNameLength));
        forgetPlaceholder(name);
    }

    if (std::sscanf(line, "Speedlimit = %u", &first) == 1) {
        settings.speedLimit = std::max<uint32_t>(first, minSpeedLimit);
    }

    int fullscreen = 0;
    if (std::sscanf(line, "Fullscreen = %d", &fullscreen) == 1) {
        settings.fullscreen = static_cast<uint8_t>(fullscreen) != 0;  // low 8 bits only
    }

    matched = std::sscanf(line, "Size = %u %u", &first, &second);
    if (matched >= 1) settings.windowWidth = first;
    if (matched >= 2) settings.windowHeight = second;
    settings.windowWidth = atLeast(settings.windowWidth, minWindowWidth);
    settings.windowHeight = atLeast(settings.windowHeight, minWindowHeight);
}

// Ten lines, no line end after the last.
void writeSettings(std::FILE* file) {
    std::fprintf(file, "[Game]\nField = %u %u\nName = %.*s\nSpeedlimit = %u", settings.fieldWidth,
                 settings.fieldHeight, int(maxNameLength), savedName(playerName()),
                 settings.speedLimit);
    std::fprintf(file, "\n\n[Video]\nFullscreen = %d", int(settings.fullscreen ? 1 : 0));
    std::fprintf(file, "\n\n[Window]\nSize = %u %u", settings.windowWidth, settings.windowHeight);
}

}  // namespace

bool loadSettings(const char* fileName, int& readError) {
    TextLines text;
    char line[lineSize];
    bool whole = openTextLines(text, fileName);
    if (whole) {
        while (readTextLine(text, line)) applyLine(line);
        whole = closeTextLines(text);
    }
    readError = text.error;
    return whole || text.missing;
}

bool saveSettings(const char* fileName, SaveFailure& failure) {
    return saveFileSafely(fileName, writeSettings, failure);
}
