// The module's exported entry points as a host sees them: ordinal, argument
// count (each a 32-bit slot) and result width, read from the declarations in
// host/exports.h. Drivers, the DLL check and the validator all read this one
// table.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

namespace kdrv {

enum class ResultKind : uint8_t { None, Bits16, Bits32 };

// The native build's entry point over 32-bit slots: host references become
// pointers, and the result comes back as the host would see it.
using NativeEntry = uint32_t (*)(const uint32_t* args);

// The same over an entry point found at run time (a DLL's), whose host
// references are that module's own: `refs` turns them into pointers and back.
struct RefMapping {
    void* (*toPointer)(uint32_t ref);
    uint32_t (*toRef)(const void* p);
};
using LoadedEntry = uint32_t (*)(void* fn, const RefMapping& refs, const uint32_t* args);

struct ExportInfo {
    std::string_view name;
    uint16_t ordinal;
    uint8_t argCount;
    ResultKind result;
    NativeEntry native;
    LoadedEntry loaded;
};

std::span<const ExportInfo> exportTable();
const ExportInfo* findExport(std::string_view name);

constexpr uint16_t kOrdinalBase = 2;
constexpr uint16_t kOrdinalSlots = 79;
constexpr const char* kModuleName = "kinemo.qlm";

}  // namespace kdrv
