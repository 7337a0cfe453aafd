// Saving both files from the platform side: when a game ends, when the game
// exits, and when Windows ends the session under it. The player hears of a
// file that could not be saved, once per file and run.
#pragma once

void saveSession();
