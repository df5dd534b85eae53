// The stand-ins' inspection calls answered by the real Windows API, for the
// win64 build: tests and the validator read the menus, resources and module
// path the module got from Windows. Windows keeps no count of live menus,
// loaded resources or local blocks that a program can read, so counts()
// covers only ORVEX32's image objects there.
#include <windows.h>

#include <map>
#include <memory>

#include "standins/resource_table.h"
#include "standins/standin.h"

HINSTANCE nativeModuleHandle() { return GetModuleHandleA(nullptr); }

namespace standin {
namespace {

constexpr int kLabelBytes = 256;

HMENU asMenu(uint32_t menu) { return reinterpret_cast<HMENU>(static_cast<uintptr_t>(menu)); }
uint32_t handleValue(const void* h) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h)); }
HMODULE asModule(uint32_t module) { return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(module)); }

// A module's entries read so far; findEntry hands out pointers into them.
std::map<std::pair<uint32_t, uint64_t>, std::unique_ptr<platform::ResourceEntry>>& entryCache() {
    static std::map<std::pair<uint32_t, uint64_t>, std::unique_ptr<platform::ResourceEntry>> cache;
    return cache;
}

}  // namespace

std::optional<std::vector<MenuItem>> menuItems(uint32_t menu) {
    const HMENU h = asMenu(menu);
    const int count = GetMenuItemCount(h);
    if (count < 0) return std::nullopt;
    std::vector<MenuItem> items;
    for (int pos = 0; pos < count; ++pos) {
        char label[kLabelBytes] = {};
        GetMenuStringA(h, static_cast<UINT>(pos), label, kLabelBytes, MF_BYPOSITION);
        const UINT state = GetMenuState(h, static_cast<UINT>(pos), MF_BYPOSITION);
        const HMENU popup = GetSubMenu(h, pos);
        if (popup != nullptr)
            items.push_back(MenuItem{label, handleValue(popup), MF_POPUP | (state & 0xFF & ~MF_POPUP), handleValue(popup)});
        else
            items.push_back(MenuItem{label, GetMenuItemID(h, pos), state, 0});
    }
    return items;
}

bool menuIsLive(uint32_t menu) { return IsMenu(asMenu(menu)) != 0; }
uint32_t subMenu(uint32_t menu, int pos) { return handleValue(GetSubMenu(asMenu(menu), pos)); }
bool destroyMenu(uint32_t menu) { return DestroyMenu(asMenu(menu)) != 0; }

std::optional<std::string> modulePath(uint32_t module) {
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(asModule(module), path, sizeof path);
    if (n == 0 || n >= sizeof path) return std::nullopt;
    return std::string(path, n);
}

const platform::ResourceEntry* findEntry(uint32_t module, uint32_t type, uint32_t name) {
    auto& slot = entryCache()[{module, (uint64_t{type} << 32) | name}];
    if (slot) return slot.get();
    const HMODULE h = asModule(module);
    HRSRC found = FindResourceA(h, MAKEINTRESOURCEA(name), MAKEINTRESOURCEA(type));
    HGLOBAL loaded = found != nullptr ? LoadResource(h, found) : nullptr;
    const auto* bytes = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    if (bytes == nullptr) return nullptr;
    slot = std::make_unique<platform::ResourceEntry>(platform::ResourceEntry{
        type, name, 0, std::vector<uint8_t>(bytes, bytes + SizeofResource(h, found))});
    return slot.get();
}

std::optional<std::string> loadString(uint32_t module, uint32_t id) {
    char text[4096];
    const int n = LoadStringA(asModule(module), id, text, sizeof text);
    if (n <= 0) return std::nullopt;
    return std::string(text, static_cast<size_t>(n));
}

uint32_t createPopupMenu() { return handleValue(CreatePopupMenu()); }

bool appendMenu(uint32_t menu, uint32_t flags, uint32_t idOrPopup, const char* label) {
    return AppendMenuA(asMenu(menu), flags, idOrPopup, label) != 0;
}

}  // namespace standin
