// The performance counter that paces the game ticks: a monotonic count and
// how many counts make a second. One source file per system implements it;
// the game itself includes no operating-system header.
#pragma once

#include <cstdint>

// The counter now; 0 when the system has no counter to read.
int64_t counterValue();
// Counts per second; 0 when the system reports none, and then no game tick
// is ever due.
int64_t countsPerSecond();
