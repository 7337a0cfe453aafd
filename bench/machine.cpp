#include "bench/machine.h"

#include <cstdint>
#include <fstream>

std::string cpuModel() {
    std::ifstream info("/proc/cpuinfo");
    std::string line;
    uint32_t processors = 0;
    std::string model = "unknown CPU";
    while (std::getline(info, line)) {
        if (line.rfind("processor", 0) == 0) ++processors;
        if (line.rfind("model name", 0) == 0 && processors == 1)
            model = line.substr(line.find(':') + 2);
    }
    return model + ", " + std::to_string(processors) + " logical CPUs";
}
