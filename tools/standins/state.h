// The stand-ins' shared state: one process-wide record behind the control
// API in standin.h. Internal to the stand-ins.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "standins/resource_table.h"
#include "standins/standin.h"
#include "platform/winapi.h"

namespace standin {

using Entries = std::shared_ptr<const std::vector<platform::ResourceEntry>>;

struct ModuleResources {
    uint32_t serial;  // names the module inside resource handles
    Entries entries;
};

struct LoadedResource {
    Entries entries;  // keeps the bytes alive if the module re-registers
    size_t index;
    bool locked;
};

struct Menu {
    std::vector<MenuItem> items;
};

struct RunningDialog {
    bool ended;
    int32_t result;
};

inline constexpr size_t kOpCount = 7;

// What Windows gives every separator, whatever was asked for.
inline constexpr uint32_t kSeparatorBits = MF_SEPARATOR | MF_GRAYED | MF_DISABLED;

struct State {
    std::map<uint32_t, ModuleResources> modules;
    std::map<uint32_t, std::string> modulePaths;
    uint32_t nextModuleSerial = 1;
    bool nativeRegistered = false;

    std::map<uint32_t, LoadedResource> loads;
    uint32_t nextLoad = 0x20000001;

    std::map<uint32_t, Menu> menus;
    uint32_t nextMenu = 0x10000001;

    std::map<uint64_t, size_t> allocations;

    std::map<std::pair<uint32_t, int>, int32_t> windowLongs;
    std::map<uint32_t, RunningDialog> runningDialogs;
    uint32_t nextWindow = 0x30000001;
    std::vector<uint32_t> dialogCommands{1};
    std::vector<DialogRun> dialogRuns;

    uint32_t drawingTarget = kDefaultDrawingTarget;
    std::vector<OrvexCall> orvexCalls;
    uint32_t failingImageOp = 0;
    std::set<uint64_t> openImages;
    int imageMisuses = 0;

    std::array<int, kOpCount> failCountdown{};  // 0: no failure scheduled
};

State& state();

// A UTF-16 unit as a code page 1252 byte; '?' where 1252 has none.
char toCp1252(uint16_t unit);

// A new empty menu, and an item appended to a menu, for the stand-ins' own
// use: no failure injection, no checks beyond the handle.
uint32_t newMenu();
bool appendItem(uint32_t menu, MenuItem item);

// The resources of a module; the native module's embedded .res is
// registered on first use. Null for an unknown module.
const ModuleResources* moduleResources(uint32_t module);

}  // namespace standin
