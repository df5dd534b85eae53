// Menus: live menus and their items, loading MENU and MENUEX templates, and
// a menu tree described as text for tests.
#include <cstdio>
#include <set>

#include "standins/handle_cast.h"
#include "standins/state.h"

// ---- Live menus ------------------------------------------------------------

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
    // A label that does not fit fills the buffer without a terminating zero
    // and counts one character less, as in Wine.
    const int copied = standin::copyUnterminatedWhenCut(*label, buffer, size);
    return label->size() < static_cast<size_t>(size) ? copied : size - 1;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) { return standin::menuState(handleValue(menu), item, flags); }

BOOL DestroyMenu(HMENU menu) { return standin::destroyMenu(handleValue(menu)) ? 1 : 0; }

// ---- Templates -------------------------------------------------------------

namespace standin {
namespace {

constexpr uint32_t kMenuType = 4;
constexpr uint16_t kEndOfLevel = 0x0080;  // last item of a level (MF_END)
constexpr uint16_t kExPopup = 0x0001;     // MENUEX item opens a submenu
constexpr int kMaxDepth = 16;

struct Cursor {
    const std::vector<uint8_t>& bytes;
    size_t at = 0;
    bool ok = true;

    uint32_t take(size_t width) {
        if (!ok || at + width > bytes.size()) {
            ok = false;
            return 0;
        }
        uint32_t v = 0;
        for (size_t i = 0; i < width; ++i) v |= uint32_t{bytes[at + i]} << (8 * i);
        at += width;
        return v;
    }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    uint32_t u32() { return take(4); }
    std::string text() {
        std::string s;
        while (ok) {
            const uint16_t unit = u16();
            if (unit == 0) break;
            s += toCp1252(unit);
        }
        return s;
    }
    void alignTo4() { at = (at + 3) & ~size_t{3}; }
};

// MENU: flags word; a popup then has its label and its own level, any other
// item its id and label. An empty label makes a separator that keeps its id,
// and a popup item's id is its submenu handle, as LoadMenu does.
bool parseStandardLevel(Cursor& c, uint32_t menu, int depth) {
    if (depth > kMaxDepth) return false;
    while (c.ok) {
        const uint16_t flags = c.u16();
        const uint32_t kept = flags & ~kEndOfLevel;
        if (flags & MF_POPUP) {
            std::string label = c.text();
            const uint32_t sub = newMenu();
            appendItem(menu, MenuItem{std::move(label), sub, kept, sub});
            if (!parseStandardLevel(c, sub, depth + 1)) return false;
        } else {
            const uint32_t id = c.u16();
            std::string label = c.text();
            const bool separator = label.empty() || (flags & MF_SEPARATOR);
            appendItem(menu, MenuItem{label, id, separator ? kept | kSeparatorBits : kept, 0});
        }
        if (flags & kEndOfLevel) return c.ok;
    }
    return false;
}

// MENUEX: type, state, id, a resource-info word, the label, padding to four
// bytes; a popup then has a help id and its own level.
bool parseExtendedLevel(Cursor& c, uint32_t menu, int depth) {
    if (depth > kMaxDepth) return false;
    while (c.ok) {
        const uint32_t type = c.u32();
        const uint32_t itemState = c.u32();
        const uint32_t id = c.u32();
        const uint16_t info = c.u16();
        std::string label = c.text();
        c.alignTo4();
        const uint32_t kept = (type | itemState) & 0xFFFF & ~MF_BYPOSITION;
        if (info & kExPopup) {
            c.u32();  // help id
            const uint32_t sub = newMenu();
            appendItem(menu, MenuItem{std::move(label), id, kept | MF_POPUP, sub});
            if (!parseExtendedLevel(c, sub, depth + 1)) return false;
        } else {
            appendItem(menu, MenuItem{std::move(label), id, kept, 0});
        }
        if (info & kEndOfLevel) return c.ok;
    }
    return false;
}

}  // namespace

uint32_t loadMenu(uint32_t module, uint32_t templateId) {
    if (callFails(Op::LoadMenu)) return 0;
    const platform::ResourceEntry* entry = findEntry(module, kMenuType, templateId);
    if (entry == nullptr) return 0;
    Cursor c{entry->data};
    const uint16_t version = c.u16();
    const uint16_t offset = c.u16();
    c.at += offset;
    const uint32_t menu = newMenu();
    const bool ok = version == 0 ? parseStandardLevel(c, menu, 0) : version == 1 && parseExtendedLevel(c, menu, 0);
    if (ok) return menu;
    destroyMenu(menu);
    return 0;
}

}  // namespace standin

HMENU LoadMenuA(HINSTANCE module, LPCSTR name) {
    if (!IS_INTRESOURCE(name)) return nullptr;  // only numeric names are served
    using namespace standin;
    return handleOf<HMENU>(loadMenu(handleValue(module), handleValue(name)));
}
