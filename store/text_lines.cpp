#include "store/text_lines.h"

#include <cerrno>

namespace {

constexpr int byteOrderMark[] = {0xEF, 0xBB, 0xBF};
constexpr size_t byteOrderMarkSize = sizeof byteOrderMark / sizeof byteOrderMark[0];

// A read that fails without the system saying why counts as an I/O error.
int failure(int error) {
    return error != 0 ? error : EIO;
}

int nextByte(TextLines& text) {
    if (text.held > 0) return text.heldBytes[--text.held];
    const int byte = std::getc(text.file);
    // Kept at once: errno means nothing after the next call.
    if (byte == EOF && text.error == 0 && std::ferror(text.file)) text.error = failure(errno);
    return byte;
}

void giveBack(TextLines& text, int byte) {
    text.heldBytes[text.held++] = byte;
}

}  // namespace

bool openTextLines(TextLines& text, const char* fileName) {
    text = TextLines{};
    errno = 0;
    // Binary: line ends are read here the same on every system.
    text.file = std::fopen(fileName, "rb");
    if (text.file == nullptr) {
        text.error = failure(errno);
        text.missing = text.error == ENOENT;
        return false;
    }
    int start[byteOrderMarkSize];
    size_t read = 0;
    while (read < byteOrderMarkSize && (start[read] = nextByte(text)) != EOF) ++read;
    bool isMark = read == byteOrderMarkSize;
    for (size_t i = 0; i < read; ++i) isMark = isMark && start[i] == byteOrderMark[i];
    if (!isMark) {
        while (read > 0) giveBack(text, start[--read]);
    }
    return true;
}

bool readTextLine(TextLines& text, char (&line)[lineSize]) {
    size_t length = 0;
    while (length < lineSize - 1) {
        const int byte = nextByte(text);
        if (byte == EOF) break;
        if (byte == '\r') {
            // CR LF is one line end; the byte after a lone CR starts the next line.
            const int after = nextByte(text);
            if (after != '\n' && after != EOF) giveBack(text, after);
            line[length++] = '\n';
            break;
        }
        line[length++] = static_cast<char>(byte);
        if (byte == '\n') break;
    }
    line[length] = '\0';
    return length > 0;
}

bool closeTextLines(TextLines& text) {
    const bool whole = text.held == 0 && std::feof(text.file) && !std::ferror(text.file);
    if (!whole) text.error = failure(text.error);
    std::fclose(text.file);
    text.file = nullptr;
    return whole;
}
