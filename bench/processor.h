#pragma once

// The processor a figure was measured on, as /proc/cpuinfo names it: model
// name, family, model and clock. A division, a cache miss or a mispredicted
// branch costs differently from one processor to the next, even between
// machines of one kind, so every figure is quoted with it.

#include <fstream>
#include <string>

namespace morvane::bench {

// "Model name, family F, model M, N MHz" of the first processor listed, or
// "unknown processor" where there is no /proc/cpuinfo.
inline std::string processorName() {
  std::ifstream info("/proc/cpuinfo");
  std::string name, family, model, mhz;
  for (std::string line; std::getline(info, line) && line.find_first_not_of(" \t") != std::string::npos;) {
    const auto colon = line.find(':');
    if (colon == std::string::npos || colon + 2 > line.size()) continue;
    const std::string key = line.substr(0, line.find_last_not_of(" \t", colon - 1) + 1);
    const std::string value = line.substr(colon + 2);
    if (key == "model name") name = value;
    if (key == "cpu family") family = value;
    if (key == "model") model = value;
    if (key == "cpu MHz") mhz = value.substr(0, value.find('.'));
  }
  if (name.empty()) return "unknown processor";
  return name + ", family " + family + ", model " + model + ", " + mhz + " MHz";
}

}  // namespace morvane::bench
