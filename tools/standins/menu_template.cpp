#include "standins/handle_cast.h"
#include "standins/state.h"

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
