// One whole frame drawn into the back buffer from the current game state:
// the game view (cells, preview, frames, head-up display) or the menu view.
#pragma once

// Needs a current context with the 640 x 480 orthographic projection, block
// texture 0 loaded and font 0 built. Keeps no state of its own.
void drawScene();
