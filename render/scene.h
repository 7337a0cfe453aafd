// One whole frame drawn into the back buffer from the current game state:
// the game view (cells, preview, frames, head-up display) or the menu view.
#pragma once

// Builds font 0, the one the scene prints with, in the current context: once,
// right after the window is created (createWindow has then set up the rest of
// the GL state and loaded the textures).
void buildSceneFont();

// Needs a current context with the 640 x 480 orthographic projection, block
// texture 0 loaded and font 0 built. Keeps no state of its own.
void drawScene();
