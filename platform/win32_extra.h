// Win32 constants that only the emulation itself needs: the game never names
// them, but the emulated calls produce or honour them as Windows does.
#pragma once

#include "platform/win32.h"

// Window styles that make up the frame.
#define WS_CAPTION 0x00C00000L
#define WS_THICKFRAME 0x00040000L

// WM_ACTIVATE and WM_SIZE details.
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define SIZE_RESTORED 0

// Keys: down and up, and as system keys while Alt is held.
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define SC_CLOSE 0xF060

#define IDOK 1
#define MB_ICONMASK 0x000000F0L

#define DM_DISPLAYFREQUENCY 0x00400000L
#define DISP_CHANGE_FAILED (-1)

// The virtual-key codes the keyboard sends: the keys the game reads, and F4,
// which closes the window with Alt ('0'..'9' and 'A'..'Z' are their ASCII
// codes).
#define VK_BACK 0x08
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_F1 0x70
#define VK_F4 0x73
#define VK_F12 0x7B

// The last-error codes the emulated calls set.
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_INVALID_PARAMETER 87
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_MOD_NOT_FOUND 126
#define ERROR_PROC_NOT_FOUND 127
#define ERROR_MR_MID_NOT_FOUND 317
#define ERROR_INVALID_WINDOW_HANDLE 1400
#define ERROR_CANNOT_FIND_WND_CLASS 1407
#define ERROR_CLASS_ALREADY_EXISTS 1410
#define ERROR_INVALID_PIXEL_FORMAT 2000
