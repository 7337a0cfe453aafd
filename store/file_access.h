// What a save asks of the file system that the C++ library cannot: a file
// made only where no file of that name is, and whose a file is. One source
// file per system.
#pragma once

#include <cstdio>

// Creates fileName and opens it for writing in text mode, or fails (null,
// errno saying why) when anything is there under that name already, a
// dangling link included: nothing there is ever opened or truncated.
std::FILE* createNewFile(const char* fileName);
// Whether the file belongs to the account the game runs as. A file that
// cannot be looked at counts as its own: the save then fails on its own.
bool isOwnFile(const char* fileName);
