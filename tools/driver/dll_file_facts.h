// What the loader needs to know of a DLL file before loading it, and what a
// failed load is explained with: its machine and the DLLs it imports from.
// Reads PE32 and PE32+ alike, checking every offset it follows.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kdrv {

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;

struct DllFileFacts {
    uint16_t machine = 0;
    std::vector<std::string> importedDlls;  // as the import table spells them
};

// Nothing when the bytes are not a PE image that can be followed.
std::optional<DllFileFacts> readDllFileFacts(std::span<const uint8_t> file);
std::optional<DllFileFacts> readDllFileFacts(const std::string& path);

// The host's support library as a module imports it: ORVEX32.dll, or the
// stand-ins' orvex64.dll of the 64-bit test build. Any case.
bool isSupportLibraryName(std::string_view name);

// "32-bit" or "64-bit" for the machines above, else "unknown-machine".
std::string machineWidth(uint16_t machine);

}  // namespace kdrv
