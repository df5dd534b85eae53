#include <algorithm>

#include "standins/handle_cast.h"
#include "standins/native_module.h"
#include "standins/state.h"

extern const uint8_t kinemoResBytes[];
extern const size_t kinemoResBytesSize;

namespace standin {
namespace {

constexpr uint8_t kNoBytes[1] = {0};

uint32_t nativeModule() { return handleValue(nativeModuleHandle()); }

void registerEntries(uint32_t module, std::vector<platform::ResourceEntry> entries) {
    State& s = state();
    if (module == nativeModule()) s.nativeRegistered = true;
    s.modules[module] = ModuleResources{
        s.nextModuleSerial++,
        std::make_shared<const std::vector<platform::ResourceEntry>>(std::move(entries)),
    };
}

// A resource handle names the module's registration and the entry within it.
uint32_t resourceHandle(uint32_t serial, size_t index) { return (serial << 16) | static_cast<uint32_t>(index + 1); }

}  // namespace

const ModuleResources* moduleResources(uint32_t module) {
    State& s = state();
    if (!s.modules.contains(module) && module == nativeModule() && !s.nativeRegistered)
        registerEntries(module, parseResFile({kinemoResBytes, kinemoResBytesSize}));
    auto it = s.modules.find(module);
    return it == s.modules.end() ? nullptr : &it->second;
}

const platform::ResourceEntry* findEntry(uint32_t module, uint32_t type, uint32_t name) {
    const ModuleResources* res = moduleResources(module);
    if (res == nullptr) return nullptr;
    auto it = std::find_if(res->entries->begin(), res->entries->end(),
                           [&](const platform::ResourceEntry& e) { return e.type == type && e.name == name; });
    return it == res->entries->end() ? nullptr : &*it;
}

void setModulePath(uint32_t module, std::string path) { state().modulePaths[module] = std::move(path); }

std::optional<std::string> modulePath(uint32_t module) {
    const State& s = state();
    if (auto it = s.modulePaths.find(module); it != s.modulePaths.end()) return it->second;
    if (moduleResources(module) == nullptr) return std::nullopt;
    return std::string(kDefaultModulePath);
}

uint32_t findResource(uint32_t module, uint32_t name, uint32_t type) {
    if (callFails(Op::FindResource)) return 0;
    const ModuleResources* res = moduleResources(module);
    const platform::ResourceEntry* entry = findEntry(module, type, name);
    if (entry == nullptr) return 0;
    return resourceHandle(res->serial, static_cast<size_t>(entry - res->entries->data()));
}

uint32_t loadResource(uint32_t module, uint32_t resource) {
    if (callFails(Op::LoadResource)) return 0;
    const ModuleResources* res = moduleResources(module);
    const size_t index = (resource & 0xFFFF) - 1;
    if (res == nullptr || (resource >> 16) != res->serial || index >= res->entries->size()) return 0;
    State& s = state();
    const uint32_t handle = s.nextLoad++;
    s.loads[handle] = LoadedResource{res->entries, index, false};
    return handle;
}

std::span<const uint8_t> lockResource(uint32_t loaded) {
    State& s = state();
    auto it = s.loads.find(loaded);
    if (it == s.loads.end() || callFails(Op::LockResource)) return {};
    it->second.locked = true;
    const auto& data = (*it->second.entries)[it->second.index].data;
    if (data.empty()) return {kNoBytes, 0};
    return data;
}

bool freeResource(uint32_t loaded) { return state().loads.erase(loaded) == 1; }

}  // namespace standin

namespace platform {
void registerModuleResources(HINSTANCE module, std::vector<ResourceEntry> entries) {
    standin::registerEntries(standin::handleValue(module), std::move(entries));
}
}  // namespace platform

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    if (!IS_INTRESOURCE(name) || !IS_INTRESOURCE(type)) return nullptr;  // only numeric names are served
    using namespace standin;
    return handleOf<HRSRC>(findResource(handleValue(module), handleValue(name), handleValue(type)));
}

HGLOBAL LoadResource(HMODULE module, HRSRC res) {
    using namespace standin;
    return handleOf<HGLOBAL>(loadResource(handleValue(module), handleValue(res)));
}

void* LockResource(HGLOBAL data) {
    auto bytes = standin::lockResource(standin::handleValue(data));
    return const_cast<uint8_t*>(bytes.data());
}

// As on Windows: zero when the resource was released.
BOOL FreeResource(HGLOBAL data) { return standin::freeResource(standin::handleValue(data)) ? 0 : 1; }

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    auto path = standin::modulePath(standin::handleValue(module));
    if (!path || size == 0) return 0;
    // Too small a buffer gets the cut path and the full size, as on current Windows.
    const int copied = standin::copyCut(*path, buffer, static_cast<int>(std::min<DWORD>(size, 0x7FFFFFFF)));
    return path->size() >= size ? size : static_cast<DWORD>(copied);
}
