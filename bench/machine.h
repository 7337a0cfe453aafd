// The machine a benchmark ran on, for the heading of its table.
#pragma once

#include <string>

// The CPU's model name and the number of logical CPUs, from /proc/cpuinfo.
std::string cpuModel();
