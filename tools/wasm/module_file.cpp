// The WebAssembly build has no emulated Windows host: a module file cannot be
// run there, only the module compiled into the tool.
#include <stdexcept>

#include "driver/module.h"

namespace kdrv {

std::unique_ptr<Module> openModuleFile(const std::string& path) {
    throw std::runtime_error(path +
                             ": cannot run a module file: this build has no emulated Windows host and drives only "
                             "the module compiled into it (leave out --module)");
}

}  // namespace kdrv
