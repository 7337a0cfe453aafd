#include "window/session_save.h"

#include "store/saved_files.h"
#include "window/player_notice.h"

void saveSession() {
    tellPlayer(saveSavedFiles(savedFiles).c_str());
}
