#include "store/saved_files.h"

#include "store/highscores.h"
#include "store/safe_save.h"
#include "store/settings.h"

SavedFiles savedFiles = {{"Stapelix.ini", false, false}, {"Highscores.txt", false, false}};

namespace {

void addLine(std::string& lines, const std::string& line) {
    if (!lines.empty()) lines += '\n';
    lines += line;
}

void save(SavedFile& file, bool (*write)(const char*, SaveFailure&), std::string& notice) {
    SaveFailure failure;
    if (file.keep || write(file.name, failure) || file.failureTold) return;
    file.failureTold = true;
    // The system's words may end in a full stop and a line end (Windows).
    std::string reason = failure.reason;
    while (!reason.empty() && (reason.back() == '.' || reason.back() == '\n' || reason.back() == '\r'))
        reason.pop_back();
    addLine(notice, std::string(file.name) + " could not be saved in " + failure.folder + ": " +
                        reason + ".");
}

}  // namespace

std::string loadSavedFiles(SavedFiles& files) {
    files.settings.keep = !loadSettings(files.settings.name);
    files.highscores.keep = !loadHighscores(files.highscores.name);
    std::string notice;
    for (const SavedFile* file : {&files.settings, &files.highscores}) {
        if (!file->keep) continue;
        addLine(notice, std::string(file->name) +
                            " could not be read when the game started, so it was left unchanged "
                            "and this session was not saved to it.");
    }
    return notice;
}

std::string saveSavedFiles(SavedFiles& files) {
    std::string notice;
    save(files.settings, saveSettings, notice);
    save(files.highscores, saveHighscores, notice);
    return notice;
}
