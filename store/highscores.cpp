// The highscore table, the player's live climb and "Highscores.txt".
#include "store/highscores.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "store/safe_save.h"
#include "store/text_lines.h"

HighscoreTable highscoreTable;
uint32_t playerSlot = 0;

namespace {

// A width or height of 30 is playable but has no list in the file. Each such
// size gets a list of its own that lives for the run and is never saved:
// width 30 with heights 0..30 first, then height 30 with widths 0..29.
constexpr uint32_t sessionListCount = 2 * highscoreSizes + 1;
HighscoreEntry sessionLists[sessionListCount][slotsPerList];
// Any larger size (never reached: the settings reader clamps) gets a scratch list.
HighscoreEntry scratchList[slotsPerList];

constexpr uint32_t decimalBase = 10;

void copyName(char* to, const char* from) {
    if (to != from) std::memcpy(to, from, nameSize);
}

// An entry line is the name, a tab and the score, as the game writes it. The
// name is all before the first tab: a name never holds a tab or a line end,
// but may hold blanks, nothing at all, or text that looks like a header. The
// score is the decimal number right after the tab (blanks or tabs before it
// allowed), at most 4294967295; whatever follows its digits is the player's
// note ("30 points", a trailing tab) and is ignored. A longer name keeps its
// first 19 characters.
bool readEntry(const char* line, HighscoreEntry& entry) {
    const char* tab = std::strchr(line, '\t');
    if (tab == nullptr) return false;
    const char* digit = tab + 1;
    while (*digit == ' ' || *digit == '\t') ++digit;
    uint64_t score = 0;
    const char* end = digit;
    for (; *end >= '0' && *end <= '9'; ++end) {
        score = score * decimalBase + uint64_t(*end - '0');
        if (score > std::numeric_limits<uint32_t>::max()) return false;
    }
    if (end == digit) return false;
    std::memset(entry.name, 0, nameSize);
    std::memcpy(entry.name, line, std::min<size_t>(size_t(tab - line), maxNameLength));
    forgetPlaceholder(entry.name);
    entry.score = uint32_t(score);
    return true;
}

// "Field: <width> <height>" on a line that is no entry; what follows the two
// numbers (blanks, tabs, a note) is ignored, as after a score. list becomes
// the list of that size, or null for a size outside the table: its entries
// are skipped up to the next header.
bool isHeader(const char* line, HighscoreEntry*& list) {
    int width = 0;
    int height = 0;
    if (std::sscanf(line, "Field: %d %d", &width, &height) != 2) return false;
    const bool inTable =
        width >= 0 && height >= 0 && width < int(highscoreSizes) && height < int(highscoreSizes);
    list = inTable ? highscoreTable.lists[width][height] : nullptr;
    return true;
}

void writeTable(std::FILE* file) {
    bool anyWritten = false;
    for (uint32_t height = 0; height < highscoreSizes; ++height) {
        for (uint32_t width = 0; width < highscoreSizes; ++width) {
            const HighscoreEntry* list = highscoreTable.lists[width][height];
            if (list[0].score == 0) continue;
            if (anyWritten) std::fputs("\n\n", file);
            anyWritten = true;
            std::fprintf(file, "Field: %d %d\nName\tScore\n\n", int(width), int(height));
            for (uint32_t slot = 0; slot < rankedSlots && list[slot].score != 0; ++slot) {
                // A name is terminated inside its 20 bytes; the width guards anyway.
                std::fprintf(file, "%.*s\t%u", int(maxNameLength), savedName(list[slot].name),
                             list[slot].score);
                if (slot + 1 < rankedSlots && list[slot + 1].score != 0) std::fputs("\n", file);
            }
        }
    }
}

}  // namespace

HighscoreEntry* highscoreList(uint32_t width, uint32_t height) {
    if (width < highscoreSizes && height < highscoreSizes) {
        return highscoreTable.lists[width][height];
    }
    if (width == highscoreSizes && height <= highscoreSizes) return sessionLists[height];
    if (height == highscoreSizes && width < highscoreSizes) {
        return sessionLists[highscoreSizes + 1 + width];
    }
    return scratchList;
}

HighscoreEntry* currentList() {
    return highscoreList(settings.fieldWidth, settings.fieldHeight);
}

namespace {
HighscoreEntry& playerEntry() {
    return currentList()[std::min(playerSlot, unrankedSlot)];
}
}  // namespace

char* playerName() {
    return playerEntry().name;
}

uint32_t& playerScore() {
    return playerEntry().score;
}

void carryPlayerName(HighscoreEntry* list) {
    copyName(list[unrankedSlot].name, playerName());
    playerSlot = unrankedSlot;
}

void takeSavedName() {
    copyName(playerName(), currentList()[unrankedSlot].name);
}

const char* savedName(const char* name) {
    return std::strcmp(name, namePlaceholder) == 0 ? "" : name;
}

void forgetPlaceholder(char (&name)[nameSize]) {
    if (std::strcmp(name, namePlaceholder) == 0) std::memset(name, 0, nameSize);
}

void promotePlayerEntry() {
    HighscoreEntry* list = currentList();
    uint32_t& slot = playerSlot;
    if (slot > unrankedSlot) slot = unrankedSlot;
    // Pass every entry with a strictly lower score; an equal score keeps the
    // higher place for its earlier holder.
    while (slot > 0 && list[slot - 1].score < list[slot].score) {
        HighscoreEntry& upper = list[slot - 1];
        HighscoreEntry& lower = list[slot];
        HighscoreEntry& swap = list[swapSlot];
        swap.score = upper.score;
        upper.score = lower.score;
        lower.score = swap.score;
        copyName(swap.name, upper.name);
        copyName(upper.name, lower.name);
        copyName(lower.name, swap.name);
        --slot;
    }
}

bool loadHighscores(const char* fileName, int& readError) {
    TextLines text;
    if (!openTextLines(text, fileName)) {
        readError = text.error;
        return text.missing;
    }
    char line[lineSize];
    HighscoreEntry* list = nullptr;  // none until the first valid header
    bool listInPlay = false;
    uint32_t count = 0;
    while (readTextLine(text, line)) {
        HighscoreEntry entry;
        if (readEntry(line, entry)) {
            if (list != nullptr && count < rankedSlots) list[count++] = entry;
        } else if (isHeader(line, list)) {
            // A list read again for the same size replaces the earlier one
            // whole; the player's slot and the scratch slot are not part of it.
            if (list != nullptr) std::memset(list, 0, rankedSlots * sizeof *list);
            listInPlay = list != nullptr && list == currentList();
            count = 0;
        }
        if (listInPlay) playerSlot = count;
    }
    const bool whole = closeTextLines(text);
    readError = text.error;
    return whole;
}

bool saveHighscores(const char* fileName, SaveFailure& failure) {
    return saveFileSafely(fileName, writeTable, failure);
}
