// Reading a saved text file line by line, as both files are read: a UTF-8
// byte-order mark at the start is skipped, CR, LF and CR LF each end a line,
// and a line longer than 99 characters (its line end counted as one) comes in
// pieces of 99, each read as a line of its own.
#pragma once

#include <cstddef>
#include <cstdio>

constexpr size_t lineSize = 100;  // a piece, its line end and a terminator

struct TextLines {
    std::FILE* file = nullptr;
    bool missing = false;  // set when opening failed because there is no such file
    int error = 0;         // the errno of a failed open or read, 0 while none failed
    // Bytes read ahead and given back, the next one last: the start of the
    // file when it was no byte-order mark, or the byte after a CR.
    int heldBytes[3] = {};
    size_t held = 0;
};

// Opens the file for reading. False when it cannot be opened; `missing` then
// tells an absent file (nothing lost) from one that is there but unreadable,
// and `error` says why.
bool openTextLines(TextLines& text, const char* fileName);
// The next line or piece, ending in '\n' unless it was cut or ends the file;
// false at the end of the file or on a read error.
bool readTextLine(TextLines& text, char (&line)[lineSize]);
// Closes the file; true when it was read to its end without an error, else
// `error` says why.
bool closeTextLines(TextLines& text);
