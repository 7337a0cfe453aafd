// Telling the player of something the game could not do (a file it could not
// save or read, a texture it could not use, a window it could not make or
// release), where the player will see it: a message box, as standard error is
// invisible on Windows, and the same text on standard error, once, for
// whoever started the game from a terminal or where no box can be shown.
#pragma once

#include "platform/win32.h"

// Blocks until the player dismisses the box. Call it once per fault, never
// per frame. An empty text is nothing to tell: no box.
void tellPlayer(const char* text);
// The same under another caption and icon: "ERROR" for a failed step of
// making the window, "SHUTDOWN ERROR" for one of releasing it.
void tellPlayer(const char* text, const char* caption, UINT boxType);
