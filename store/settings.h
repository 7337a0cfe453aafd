// The settings file "Stapelix.ini": field size, player name, tick length,
// full-screen flag and window size.
#pragma once

// False when the file is there but could not be opened or read to its end:
// it must then not be overwritten. A missing file leaves every default.
bool loadSettings(const char* fileName);
void saveSettings(const char* fileName);
