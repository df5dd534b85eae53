// The module's exported entry points as a host sees them: ordinal, argument
// count (each a 32-bit slot) and result width. Drivers, the DLL check and the
// validator all read this one table.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

namespace kdrv {

enum class ResultKind : uint8_t { None, Bits16, Bits32 };

struct ExportInfo {
    std::string_view name;
    uint16_t ordinal;
    uint8_t argCount;
    ResultKind result;
};

std::span<const ExportInfo> exportTable();
const ExportInfo* findExport(std::string_view name);

constexpr uint16_t kOrdinalBase = 2;
constexpr uint16_t kOrdinalSlots = 79;
constexpr const char* kModuleName = "kinemo.qlm";

}  // namespace kdrv
