// The validating host: edit services records for a recent host, a host
// that is too old, and one with no version slot, and the paths the module
// reports to it.
#include "validate/validate.h"

namespace kvalidate {

Host newHost(kdrv::Module& m) {
    auto paths = std::make_shared<std::vector<std::string>>();
    kdrv::Module* module = &m;
    const kdrv::Addr pathCallback = m.callback(kdrv::CallbackKind::Path, [paths, module](std::span<const uint32_t> a) {
        paths->push_back(module->cString(a[0]));
        paths->push_back(std::to_string(a[1]) + "," + std::to_string(a[2]));
        return 0u;
    });
    return Host{m, hostrec::newEditServices(m, hostrec::hostVersionCallback(m, hostrec::kRecentHost), pathCallback),
                hostrec::newEditServices(m, hostrec::hostVersionCallback(m, hostrec::kOldHost), pathCallback),
                hostrec::newEditServices(m, 0, pathCallback), paths, m.unobservedSupportLibrary()};
}

}  // namespace kvalidate
