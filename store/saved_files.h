// Both saved files over a run: read at start-up, written back at shut-down.
// A file that is there but could not be read is never replaced by what the
// run made of it; it is left as it is, and standard error says so.
#pragma once

struct SavedFiles {
    const char* settingsFile;
    const char* highscoreFile;
    bool keepSettings = false;  // there at start-up but not readable to its end
    bool keepHighscores = false;
};

// The settings first: the name they hold goes into the list of the field size
// they set, and the highscores then set playerSlot for that size.
void loadSavedFiles(SavedFiles& files);
void saveSavedFiles(const SavedFiles& files);
