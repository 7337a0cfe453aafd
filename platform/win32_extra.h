// Win32 constants that only the emulation itself needs: the game never uses
// them, but the emulated calls honour them as Windows does.
#pragma once

#include "platform/win32.h"

// Window styles that make up the frame.
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_CAPTION 0x00C00000L
#define WS_THICKFRAME 0x00040000L
#define WS_VISIBLE 0x10000000L
#define CW_USEDEFAULT ((int)0x80000000)

#define SW_HIDE 0
#define SW_SHOWMINIMIZED 2
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_FORCEMINIMIZE 11

// WM_ACTIVATE and WM_SIZE details.
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1

#define IDOK 1
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONMASK 0x000000F0L

#define ENUM_REGISTRY_SETTINGS ((DWORD)-2)
#define DM_DISPLAYFREQUENCY 0x00400000L
#define DISP_CHANGE_BADMODE (-2)

// Virtual-key codes beyond the ones the game reads.
#define VK_TAB 0x09
#define VK_CLEAR 0x0C
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_LWIN 0x5B
#define VK_RWIN 0x5C
#define VK_APPS 0x5D
#define VK_NUMPAD0 0x60
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F13 0x7C
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91
#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE
#define VK_OEM_102 0xE2
#define VK_F4 0x73
#define SC_CLOSE 0xF060
