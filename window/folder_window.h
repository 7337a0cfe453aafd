// The window of the game that holds a folder's claim (store/folder_guard.h),
// found by a second start in that folder and brought to the front. One source
// file per system: on Windows the window carries a property named after the
// claim; where one program cannot raise another's window (SDL), no window is
// marked or found, and the second start tells the player instead.
#pragma once

#include "platform/win32.h"

void markFolderWindow(HWND window, const char* claimName);
// Before the window is destroyed.
void unmarkFolderWindow(HWND window, const char* claimName);
// Restores the marked window if it is minimised and brings it to the front.
// False when no window carries the mark (its game has not made it yet).
bool raiseFolderWindow(const char* claimName);
