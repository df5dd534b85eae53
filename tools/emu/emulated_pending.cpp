// Placeholder until the emulated host lands.
#include <stdexcept>

#include "driver/module.h"

namespace kdrv {
std::unique_ptr<Module> openEmulated(const std::string& dllPath) {
    throw std::runtime_error("emulated host not available for " + dllPath);
}
}  // namespace kdrv
