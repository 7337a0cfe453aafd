#include "store/saved_files.h"

#include <cstdio>

#include "store/highscores.h"
#include "store/settings.h"

namespace {

void saveOrKeep(const char* fileName, bool keep, void (*save)(const char*)) {
    if (!keep) {
        save(fileName);
        return;
    }
    std::fprintf(stderr,
                 "%s could not be read when the game started, so it was left unchanged and "
                 "this session was not saved to it.\n",
                 fileName);
}

}  // namespace

void loadSavedFiles(SavedFiles& files) {
    files.keepSettings = !loadSettings(files.settingsFile);
    files.keepHighscores = !loadHighscores(files.highscoreFile);
}

void saveSavedFiles(const SavedFiles& files) {
    saveOrKeep(files.settingsFile, files.keepSettings, saveSettings);
    saveOrKeep(files.highscoreFile, files.keepHighscores, saveHighscores);
}
