// Whether Windows would run the exception handlers of a 32-bit image. The
// dispatcher refuses every handler of an image marked NO_SEH, and of an
// image whose load configuration carries a SafeSEH table every handler the
// table does not list. Our linker writes no such table, so any table means
// the module's own handler is not in it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pe/pe_image.h"

namespace pe {

constexpr uint16_t kDllNoSeh = 0x0400;
constexpr uint8_t kDirLoadConfig = 10;

struct SehFacts {
    bool noSeh = false;
    bool loadConfig = false;     // the image has a load configuration
    uint32_t handlerTable = 0;   // SafeSEH table address (VA), 0: none
    uint32_t handlerCount = 0;
};

// Reads the flag and the load configuration; a load configuration that lies
// outside the image is a PeError naming the image.
SehFacts readSehFacts(const Image& image);

// What would stop Windows from running the image's handlers, one sentence
// each; empty when nothing does.
std::vector<std::string> sehProblems(const SehFacts& facts);

}  // namespace pe
