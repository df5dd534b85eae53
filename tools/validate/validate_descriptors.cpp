// Descriptor rows against the menus and strings the editor shows: every
// command id on exactly one selectable item, every display string present,
// titles from menu labels, and menu commands leading back to their codes.
#include <cstring>
#include <map>
#include <stdexcept>

#include "validate/validate.h"
#include "standins/standin.h"
#include "platform/winapi.h"

namespace kvalidate {
namespace {

constexpr size_t kLongText = 300;
constexpr int kMaxParams = 4;

template <class Call>
std::string text(kdrv::Module& m, kdrv::Addr buffer, Call call) {
    std::memset(m.bytes(buffer), 0, kLongText);
    call();
    return std::string(reinterpret_cast<const char*>(m.bytes(buffer)), strnlen(reinterpret_cast<const char*>(m.bytes(buffer)), kLongText));
}

void readMenuInto(uint32_t menu, int depth, std::vector<MenuEntry>& out) {
    auto items = standin::menuItems(menu);
    if (!items) throw std::runtime_error("menu handle " + std::to_string(menu) + " is not a live menu");
    for (const standin::MenuItem& item : *items) {
        const bool popup = (item.flags & MF_POPUP) != 0;
        out.push_back({item.label, popup ? 0 : item.id, (item.flags & MF_SEPARATOR) != 0, popup,
                       (item.flags & (MF_CHECKED | MF_GRAYED | MF_DISABLED)) != 0, depth});
        if (popup) readMenuInto(item.popup, depth + 1, out);
    }
}

std::string idText(int16_t id) { return std::to_string(id); }

}  // namespace

std::vector<MenuEntry> readMenu(uint32_t menu) {
    std::vector<MenuEntry> out;
    readMenuInto(menu, 0, out);
    return out;
}

std::vector<Row> readRows(Host& host, const FamilyFacts& facts) {
    std::vector<Row> rows;
    for (int code = 0; code < facts.count; ++code) {
        const kdrv::Addr infos = host.m.call(facts.infos, {host.services, static_cast<uint32_t>(code)});
        const auto* w = reinterpret_cast<const int16_t*>(host.m.bytes(infos));
        if (infos == 0 || w == nullptr) throw std::runtime_error(std::string(facts.infos) + " gave no record for code " + std::to_string(code));
        const int n = w[2];
        if (n < 0 || n > kMaxParams) throw std::runtime_error(std::string(facts.infos) + ": parameter count " + std::to_string(n));
        Row row{w[-2], w[-1], w[0], static_cast<uint16_t>(w[1]), {w + 3, w + 3 + n}, {w + 3 + n, w + 3 + 2 * n}};
        rows.push_back(row);
        // Rows lie back to back: 10 + 4n bytes each, the host reads them in place.
        if (code > 0) {
            const kdrv::Addr previous = host.m.call(facts.infos, {host.services, static_cast<uint32_t>(code - 1)});
            const auto* p = host.m.bytes(previous);
            const size_t rowBytes = 10 + 4 * rows[code - 1].types.size();
            if (p + rowBytes != reinterpret_cast<const uint8_t*>(w))
                throw std::runtime_error(std::string(facts.noun) + " row " + std::to_string(code) +
                                         " does not follow row " + std::to_string(code - 1));
        }
    }
    return rows;
}

std::vector<std::string> rowProblems(const FamilyFacts& facts, const std::vector<Row>& rows) {
    std::vector<std::string> problems;
    if (static_cast<int>(rows.size()) != facts.count)
        problems.push_back(std::to_string(rows.size()) + " rows, expected " + std::to_string(facts.count));
    for (size_t k = 0; k < rows.size(); ++k) {
        const Row& r = rows[k];
        const std::string at = std::string(facts.noun) + " " + std::to_string(k);
        const int index = static_cast<int>(k);
        if (r.code != index) problems.push_back(at + ": code " + idText(r.code));
        if (r.menuId != facts.menuBase + facts.menuStep * index) problems.push_back(at + ": menu id " + idText(r.menuId));
        if (r.stringId != facts.stringBase + facts.stringStep * index)
            problems.push_back(at + ": string id " + idText(r.stringId));
        if (r.flags != facts.flags) problems.push_back(at + ": flags " + std::to_string(r.flags));
        for (int16_t type : r.types) {
            const bool known = facts.kind == kdrv::RoutineKind::Action ? (type == 22 || type == 1)
                                                              : facts.kind == kdrv::RoutineKind::Expression && type == 1;
            if (!known) problems.push_back(at + ": parameter type " + idText(type));
        }
        for (int16_t title : r.titles)
            if (title != 0) problems.push_back(at + ": parameter title id " + idText(title) + " instead of the menu label");
    }
    return problems;
}

std::vector<std::string> menuProblems(const std::vector<MenuEntry>& menu, const std::vector<Row>& rows) {
    std::vector<std::string> problems;
    std::map<uint32_t, int> selectable;
    for (const MenuEntry& e : menu) {
        if (e.popup || e.separator) continue;
        ++selectable[e.id];
        if (e.marked) problems.push_back("item \"" + e.label + "\" is checked, greyed or disabled");
    }
    for (const Row& r : rows) {
        const uint32_t id = static_cast<uint16_t>(r.menuId);
        const int n = selectable.count(id) ? selectable[id] : 0;
        if (n != 1)
            problems.push_back("command id " + std::to_string(id) + " (code " + idText(r.code) + ") is on " +
                               std::to_string(n) + " selectable items");
    }
    for (const auto& [id, n] : selectable) {
        bool known = false;
        for (const Row& r : rows) known = known || static_cast<uint16_t>(r.menuId) == id;
        if (!known) problems.push_back("a selectable item carries command id " + std::to_string(id) + ", which no row has");
    }
    return problems;
}

void checkDescriptors(Host& host, Report& report) {
    kdrv::Module& m = host.m;
    const kdrv::Addr buffer = m.alloc(kLongText + kCanaryBytes);
    for (const FamilyFacts& facts : kFamilies) {
        const std::string noun(facts.noun);
        std::vector<Row> rows;
        try {
            rows = readRows(host, facts);
            report.expect(noun + " descriptor rows", rowProblems(facts, rows));
        } catch (const std::exception& e) {
            report.fail(noun + " descriptor rows", e.what());
            continue;
        }

        const uint32_t menu = m.call(facts.menu, {host.services, 0, 0});
        std::vector<MenuEntry> entries;
        try {
            if (menu == 0) throw std::runtime_error("no menu");
            entries = readMenu(menu);
            report.expect(noun + " menu: every command id on exactly one selectable item", menuProblems(entries, rows));
        } catch (const std::exception& e) {
            report.fail(noun + " menu: every command id on exactly one selectable item", e.what());
        }
        if (menu != 0) standin::destroyMenu(menu);

        std::vector<std::string> back;
        for (const Row& r : rows) {
            const uint32_t code = m.call(facts.codeFromMenu, {host.services, static_cast<uint16_t>(r.menuId)});
            if (code != static_cast<uint16_t>(r.code))
                back.push_back("command " + idText(r.menuId) + " gave " + std::to_string(static_cast<int16_t>(code)));
        }
        const uint32_t unknown = m.call(facts.codeFromMenu, {host.services, static_cast<uint16_t>(facts.menuBase - 1)});
        if (unknown != 0xFFFF) back.push_back("an unknown command gave " + std::to_string(static_cast<int16_t>(unknown)) + ", not -1");
        report.expect(noun + " menu commands lead back to their codes", back);

        std::vector<std::string> strings;
        for (const Row& r : rows) {
            const uint32_t code = static_cast<uint32_t>(r.code);
            if (text(m, buffer, [&] { hostrec::callString(m, facts, host.services, code, buffer, kLongText); }).empty())
                strings.push_back("no display string for code " + std::to_string(code));
        }
        report.expect(noun + " display strings present", strings);

        // A title is the label of the first item, depth first, carrying the row's id.
        std::vector<std::string> titles;
        for (const Row& r : rows) {
            std::string want;
            for (const MenuEntry& e : entries)
                if (!e.popup && e.id == static_cast<uint16_t>(r.menuId)) {
                    want = e.label;
                    break;
                }
            const uint32_t code = static_cast<uint32_t>(r.code);
            const size_t slots = facts.kind == kdrv::RoutineKind::Expression ? 1 : r.types.size() + 1;
            for (uint32_t p = 0; p < slots; ++p) {
                const std::string got = text(m, buffer, [&] { hostrec::callTitle(m, facts, host.services, code, p, buffer, kLongText); });
                const std::string expected = p < r.types.size() ? want : "";
                if (got != expected)
                    titles.push_back("code " + std::to_string(code) + " parameter " + std::to_string(p) + ": \"" + got +
                                     "\", expected \"" + expected + "\"");
            }
        }
        report.expect(noun + " parameter titles from menu labels", titles);
    }
}

}  // namespace kvalidate
