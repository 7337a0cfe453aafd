#include "store/saved_files.h"

#include <cstring>

#include "store/highscores.h"
#include "store/safe_save.h"
#include "store/settings.h"

SavedFiles savedFiles = {{"Stapelix.ini", false, false}, {"Highscores.txt", false, false}};

namespace {

void addLine(std::string& lines, const std::string& line) {
    if (!lines.empty()) lines += '\n';
    lines += line;
}

// The system's words may end in a full stop and a line end (Windows).
std::string systemWords(std::string reason) {
    while (!reason.empty() && (reason.back() == '.' || reason.back() == '\n' || reason.back() == '\r'))
        reason.pop_back();
    return reason;
}

void load(SavedFile& file, bool (*read)(const char*, int&), std::string& notice) {
    int error = 0;
    file.keep = !read(file.name, error);
    if (!file.keep) return;
    addLine(notice, std::string(file.name) + " could not be read (" +
                        systemWords(std::strerror(error)) +
                        "), so it is left unchanged and this session will not be saved to it.");
}

void save(SavedFile& file, bool (*write)(const char*, SaveFailure&), std::string& notice) {
    SaveFailure failure;
    if (file.keep || write(file.name, failure) || file.failureTold) return;
    file.failureTold = true;
    addLine(notice, std::string(file.name) + " could not be saved in " + failure.folder + ": " +
                        systemWords(failure.reason) + ".");
}

}  // namespace

std::string loadSavedFiles(SavedFiles& files) {
    std::string notice;
    load(files.settings, loadSettings, notice);
    load(files.highscores, loadHighscores, notice);
    return notice;
}

std::string saveSavedFiles(SavedFiles& files) {
    std::string notice;
    save(files.settings, saveSettings, notice);
    save(files.highscores, saveHighscores, notice);
    return notice;
}
