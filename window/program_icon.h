// The program icon's resource id, shared by the resource script that compiles
// the icon into stapelix.exe and by the window class that shows it. A plain
// #define, as the resource compiler reads no C++.
#pragma once

#define STAPELIX_ICON_ID 1
