#include "pe/seh_safety.h"

namespace pe {
namespace {

// IMAGE_LOAD_CONFIG_DIRECTORY32: its own size first, the SafeSEH table and
// count at these offsets when the size reaches past them.
constexpr uint32_t kHandlerTableAt = 64;
constexpr uint32_t kHandlerCountAt = 68;
constexpr uint32_t kSizeWithHandlers = 72;

uint32_t mappedU32(const Image& image, uint32_t rva) {
    const auto& m = image.mapped;
    return uint32_t{m[rva]} | uint32_t{m[rva + 1]} << 8 | uint32_t{m[rva + 2]} << 16 | uint32_t{m[rva + 3]} << 24;
}

}  // namespace

SehFacts readSehFacts(const Image& image) {
    SehFacts facts;
    facts.noSeh = (image.dllCharacteristics & kDllNoSeh) != 0;
    const DataDirectory dir = image.directories[kDirLoadConfig];
    if (dir.rva == 0 && dir.size == 0) return facts;
    facts.loadConfig = true;
    const uint64_t end = uint64_t{dir.rva} + 4;
    if (end > image.mapped.size())
        throw PeError(image.source + ": load configuration at RVA " + std::to_string(dir.rva) +
                      " lies outside the image, expected within its " + std::to_string(image.mapped.size()) + " bytes");
    const uint32_t size = mappedU32(image, dir.rva);
    if (size < kSizeWithHandlers) return facts;
    if (uint64_t{dir.rva} + kSizeWithHandlers > image.mapped.size())
        throw PeError(image.source + ": load configuration of " + std::to_string(size) + " bytes at RVA " +
                      std::to_string(dir.rva) + " runs past the end of the image");
    facts.handlerTable = mappedU32(image, dir.rva + kHandlerTableAt);
    facts.handlerCount = mappedU32(image, dir.rva + kHandlerCountAt);
    return facts;
}

std::vector<std::string> sehProblems(const SehFacts& facts) {
    std::vector<std::string> problems;
    if (facts.noSeh)
        problems.push_back("DLL characteristics carry NO_SEH (0x0400): Windows would run none of the module's "
                           "exception handlers, the image guard's included");
    if (facts.handlerTable != 0 || facts.handlerCount != 0)
        problems.push_back("the load configuration has a SafeSEH table of " + std::to_string(facts.handlerCount) +
                           " handlers: Windows would refuse the image guard's handler, which no table lists");
    return problems;
}

}  // namespace pe
