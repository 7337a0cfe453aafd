// Telling the player of something the game could not do (a file it could not
// save or read, a texture it could not use), where the player will see it: a
// message box, as standard error is invisible on Windows, and the same line
// on standard error for whoever started the game from a terminal.
#pragma once

// Blocks until the player dismisses the box. Call it once per fault, never
// per frame. An empty text is nothing to tell: no box.
void tellPlayer(const char* text);
