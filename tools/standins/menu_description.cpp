// A menu tree described as text for tests, read through menuItems() so that
// it describes real menus as well as the stand-ins' own.
#include <cstdio>

#include "standins/state.h"

namespace standin {
namespace {

std::string extraBits(uint32_t flags, uint32_t expected) {
    const uint32_t extra = flags & ~expected;
    if (extra == 0) return "";
    char text[16];
    std::snprintf(text, sizeof text, " +0x%X", extra);
    return text;
}

void describeLevel(uint32_t menu, const std::string& indent, int depth, std::string& out) {
    auto items = menuItems(menu);
    if (!items) {
        out += indent + "(not a menu)\n";
        return;
    }
    for (const MenuItem& item : *items) {
        if (item.flags & MF_POPUP) {
            out += indent + "> \"" + item.label + "\"" + extraBits(item.flags, MF_POPUP) + "\n";
            if (depth < 16) describeLevel(item.popup, indent + "  ", depth + 1, out);
        } else if (item.flags & MF_SEPARATOR) {
            out += indent + "---- " + std::to_string(item.id) + extraBits(item.flags, kSeparatorBits) + "\n";
        } else {
            out += indent + "\"" + item.label + "\" " + std::to_string(item.id) + extraBits(item.flags, 0) + "\n";
        }
    }
}

}  // namespace

std::string describeMenu(uint32_t menu) {
    std::string out;
    describeLevel(menu, "", 0, out);
    return out;
}

}  // namespace standin
