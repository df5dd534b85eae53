#include <set>

#include "standins/handle_cast.h"
#include "standins/state.h"

namespace standin {
namespace {

constexpr uint32_t kNoItem = 0xFFFFFFFF;
constexpr uint32_t kMenuBitmap = 0x0004;
constexpr uint32_t kMenuOwnerDraw = 0x0100;

Menu* liveMenu(uint32_t menu) {
    auto& menus = state().menus;
    auto it = menus.find(menu);
    return it == menus.end() ? nullptr : &it->second;
}

const MenuItem* itemAt(uint32_t menu, int pos) {
    const Menu* m = liveMenu(menu);
    if (m == nullptr || pos < 0 || static_cast<size_t>(pos) >= m->items.size()) return nullptr;
    return &m->items[static_cast<size_t>(pos)];
}

// Depth first in item order: an item that carries the id wins over anything
// later, including items of later submenus. A popup item, whose id is its
// handle, is only the fallback when nothing else matches (the last such
// wins, as in Windows). The visited set guards against a menu that holds itself.
const MenuItem* itemByCommand(uint32_t menu, uint32_t id, std::set<uint32_t>& visited) {
    const Menu* m = liveMenu(menu);
    if (m == nullptr || !visited.insert(menu).second) return nullptr;
    const MenuItem* fallback = nullptr;
    for (const MenuItem& item : m->items) {
        if (item.flags & MF_POPUP) {
            if (const MenuItem* found = itemByCommand(item.popup, id, visited)) return found;
            if (item.id == id) fallback = &item;
        } else if (item.id == id) {
            return &item;
        }
    }
    return fallback;
}

const MenuItem* locate(uint32_t menu, uint32_t item, uint32_t flags) {
    if (flags & MF_BYPOSITION) return itemAt(menu, static_cast<int>(item));
    std::set<uint32_t> visited;
    return itemByCommand(menu, item, visited);
}

}  // namespace

uint32_t newMenu() {
    State& s = state();
    const uint32_t handle = s.nextMenu++;
    s.menus[handle] = Menu{};
    return handle;
}

bool appendItem(uint32_t menu, MenuItem item) {
    Menu* m = liveMenu(menu);
    if (m == nullptr) return false;
    m->items.push_back(std::move(item));
    return true;
}

uint32_t createPopupMenu() { return callFails(Op::CreatePopupMenu) ? 0 : newMenu(); }

bool appendMenu(uint32_t menu, uint32_t flags, uint32_t idOrPopup, const char* label) {
    if (callFails(Op::AppendMenu) || liveMenu(menu) == nullptr) return false;
    const uint32_t kept = flags & 0xFFFF & ~MF_BYPOSITION;
    const bool textItem = !(flags & (MF_SEPARATOR | kMenuBitmap | kMenuOwnerDraw));
    const std::string text = textItem && label != nullptr ? label : "";
    if (flags & MF_POPUP) {
        if (liveMenu(idOrPopup) == nullptr) return false;
        return appendItem(menu, MenuItem{text, idOrPopup, kept, idOrPopup});
    }
    if ((flags & MF_SEPARATOR) || (textItem && label == nullptr))
        return appendItem(menu, MenuItem{"", idOrPopup, kept | kSeparatorBits, 0});
    return appendItem(menu, MenuItem{text, idOrPopup, kept, 0});
}

int menuItemCount(uint32_t menu) {
    const Menu* m = liveMenu(menu);
    return m == nullptr ? -1 : static_cast<int>(m->items.size());
}

uint32_t menuItemId(uint32_t menu, int pos) {
    const MenuItem* item = itemAt(menu, pos);
    if (item == nullptr || (item->flags & MF_POPUP)) return kNoItem;
    return item->id;
}

std::optional<std::string> menuString(uint32_t menu, uint32_t item, uint32_t flags) {
    const MenuItem* found = locate(menu, item, flags);
    if (found == nullptr) return std::nullopt;
    return found->label;
}

// A popup reports its flags in the low byte and its item count in the next.
uint32_t menuState(uint32_t menu, uint32_t item, uint32_t flags) {
    const MenuItem* found = locate(menu, item, flags);
    if (found == nullptr) return kNoItem;
    if (!(found->flags & MF_POPUP)) return found->flags;
    const int count = menuItemCount(found->popup);
    return (static_cast<uint32_t>(count < 0 ? 0 : count) << 8) | (found->flags & 0xFF);
}

uint32_t subMenu(uint32_t menu, int pos) {
    const MenuItem* item = itemAt(menu, pos);
    return item != nullptr && (item->flags & MF_POPUP) ? item->popup : 0;
}

bool destroyMenu(uint32_t menu) {
    auto& menus = state().menus;
    auto it = menus.find(menu);
    if (it == menus.end()) return false;
    const std::vector<MenuItem> items = std::move(it->second.items);
    menus.erase(it);
    for (const MenuItem& item : items)
        if (item.flags & MF_POPUP) destroyMenu(item.popup);
    return true;
}

std::optional<std::vector<MenuItem>> menuItems(uint32_t menu) {
    const Menu* m = liveMenu(menu);
    if (m == nullptr) return std::nullopt;
    return m->items;
}

bool menuIsLive(uint32_t menu) { return liveMenu(menu) != nullptr; }

}  // namespace standin

using standin::handleOf;
using standin::handleValue;

HMENU GetSubMenu(HMENU menu, int pos) { return handleOf<HMENU>(standin::subMenu(handleValue(menu), pos)); }

HMENU CreatePopupMenu() { return handleOf<HMENU>(standin::createPopupMenu()); }

// A popup item's third argument is the submenu handle; bitmap and owner-drawn
// items pass no text in the label, which appendMenu then leaves unread.
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCSTR label) {
    return standin::appendMenu(handleValue(menu), flags, idOrPopup, label) ? 1 : 0;
}

int GetMenuItemCount(HMENU menu) { return standin::menuItemCount(handleValue(menu)); }

UINT GetMenuItemID(HMENU menu, int pos) { return standin::menuItemId(handleValue(menu), pos); }

int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags) {
    auto label = standin::menuString(handleValue(menu), item, flags);
    if (!label) return 0;
    if (buffer == nullptr || size <= 0) return static_cast<int>(label->size());
    return standin::copyCut(*label, buffer, size);
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) { return standin::menuState(handleValue(menu), item, flags); }

BOOL DestroyMenu(HMENU menu) { return standin::destroyMenu(handleValue(menu)) ? 1 : 0; }
