// Both saved files over a run: read at start-up, written back whenever the
// session's scores must be safe (at a game over and however the run ends). A
// file that is there but could not be read is never replaced by what the run
// made of it. What went wrong comes back as text for the player, each fault
// once per run, for the caller to show.
#pragma once

#include <string>

struct SavedFile {
    const char* name;
    bool keep;         // there at start-up but not readable to its end: never written
    bool failureTold;  // the player has heard that it could not be saved
};

struct SavedFiles {
    SavedFile settings;
    SavedFile highscores;
};

// "Stapelix.ini" and "Highscores.txt" in the working directory.
extern SavedFiles savedFiles;

// The settings first: the name they hold goes into the list of the field size
// they set, and the highscores then set playerSlot for that size. Returns a
// line for each file that is there but could not be read, with the system's
// reason, or nothing; the caller shows it before the session starts.
std::string loadSavedFiles(SavedFiles& files);
// Writes both files but those kept. Returns a line for each file that could
// not be saved and of which the player has not heard yet, or nothing.
std::string saveSavedFiles(SavedFiles& files);
