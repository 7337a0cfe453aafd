// The settings file "Stapelix.ini": field size, player name, tick length,
// full-screen flag and window size.
#pragma once

void loadSettings(const char* fileName);
void saveSettings(const char* fileName);
