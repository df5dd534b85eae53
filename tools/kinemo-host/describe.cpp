#include "kinemo-host/describe.h"

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "kinemo-host/edit_services.h"
#include "kinemo-host/module_events.h"
#include "kinemo-host/text_forms.h"
#include "standins/handle_cast.h"
#include "platform/winapi.h"

using kinemo::ParamFetched;
using kinemo::ParamNumber;
using kinemo::ParamObject;

namespace khost {
namespace {

constexpr int kMaxMenuDepth = 8;
constexpr int kLabelSize = 256;

struct MenuEntry {
    enum Kind { Command, Separator, Popup } kind = Command;
    std::string label;  // UTF-8
    uint32_t id = 0;
    std::vector<MenuEntry> children;
};

// Walks a menu the way the editor shows it, through the platform's menu calls.
std::vector<MenuEntry> walkMenu(HMENU menu, int depth) {
    std::vector<MenuEntry> entries;
    int count = GetMenuItemCount(menu);
    for (int pos = 0; pos < count; ++pos) {
        MenuEntry e;
        char label[kLabelSize] = {};
        GetMenuStringA(menu, static_cast<UINT>(pos), label, kLabelSize, MF_BYPOSITION);
        e.label = singleByteToUtf8(label);
        e.id = GetMenuItemID(menu, pos);
        HMENU sub = GetSubMenu(menu, pos);
        UINT state = GetMenuState(menu, static_cast<UINT>(pos), MF_BYPOSITION);
        if (sub != nullptr) {
            e.kind = MenuEntry::Popup;
            if (depth < kMaxMenuDepth) e.children = walkMenu(sub, depth + 1);
        } else if ((state & MF_SEPARATOR) != 0 || e.label.empty()) {
            e.kind = MenuEntry::Separator;
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

struct EventRow {
    int code = 0;
    std::string display;  // module bytes
    EventInfos infos;
    std::vector<std::string> titles;  // module bytes
    std::string menuLabel;            // UTF-8; first selectable item carrying the event's command
};

struct FamilyReport {
    const hostrec::FamilyInfo* entries = nullptr;
    std::vector<MenuEntry> menu;
    std::map<uint32_t, int> codeOfId;  // menu command id -> event code
    std::vector<EventRow> rows;
};

void resolveCodes(kdrv::Module& m, const EditSession& session, FamilyReport& report, const std::vector<MenuEntry>& entries) {
    for (const MenuEntry& e : entries) {
        if (e.kind == MenuEntry::Popup) {
            resolveCodes(m, session, report, e.children);
            continue;
        }
        if (report.codeOfId.count(e.id)) continue;
        auto code = static_cast<int16_t>(m.call(report.entries->codeFromMenu, {session.services, e.id}));
        report.codeOfId[e.id] = code;
    }
}

void labelRows(FamilyReport& report, const std::vector<MenuEntry>& entries) {
    for (const MenuEntry& e : entries) {
        if (e.kind == MenuEntry::Popup) labelRows(report, e.children);
        if (e.kind != MenuEntry::Command) continue;
        int code = report.codeOfId.at(e.id);
        if (code >= 0 && static_cast<size_t>(code) < report.rows.size() && report.rows[code].menuLabel.empty())
            report.rows[code].menuLabel = e.label;
    }
}

FamilyReport readFamily(kdrv::Module& m, const EditSession& session, RoutineKind family, int count) {
    FamilyReport report;
    report.entries = &hostrec::family(family);
    uint32_t handle = m.call(report.entries->menu, {session.services, 0, 0});
    if (handle == 0) throw std::runtime_error(std::string(report.entries->menu) + " gave no menu");
    auto menu = standin::handleOf<HMENU>(handle);
    report.menu = walkMenu(menu, 0);
    DestroyMenu(menu);
    resolveCodes(m, session, report, report.menu);

    for (int code = 0; code < count; ++code) {
        EventRow row;
        row.code = code;
        row.display = moduleString(m, session, *report.entries, static_cast<uint32_t>(code));
        row.infos = readEventInfos(m, session, *report.entries, static_cast<uint32_t>(code));
        // Expressions have one title slot; the others have one per parameter.
        size_t titles = family == RoutineKind::Expression ? (row.infos.paramTypes.empty() ? 0 : 1) : row.infos.paramTypes.size();
        for (size_t i = 0; i < titles; ++i)
            row.titles.push_back(moduleTitle(m, session, *report.entries, static_cast<uint32_t>(code), static_cast<uint32_t>(i)));
        report.rows.push_back(std::move(row));
    }
    labelRows(report, report.menu);
    return report;
}

std::string inlineCode(const std::string& utf8) {
    // Markdown code spans: none of the module's strings hold a backtick.
    return "`" + utf8 + "`";
}

std::string writtenDisplay(const FamilyReport& report, const EventRow& row) {
    std::string text = singleByteToUtf8(row.display);
    if (report.entries->kind != RoutineKind::Expression) return text;
    for (size_t i = 0; i < row.infos.paramTypes.size(); ++i) text += (i == 0 ? "%" : ", %") + std::to_string(i);
    return text + ")";
}

void writeMenu(std::ostream& out, const FamilyReport& report, const std::vector<MenuEntry>& entries, int depth) {
    std::string indent(2 * depth, ' ');
    for (const MenuEntry& e : entries) {
        switch (e.kind) {
            case MenuEntry::Popup:
                out << indent << "- **" << e.label << "**\n";
                writeMenu(out, report, e.children, depth + 1);
                break;
            case MenuEntry::Separator: out << indent << "- *separator*\n"; break;
            case MenuEntry::Command: {
                int code = report.codeOfId.at(e.id);
                out << indent << "- " << e.label;
                if (code >= 0 && static_cast<size_t>(code) < report.rows.size())
                    out << " \xE2\x80\x94 " << inlineCode(writtenDisplay(report, report.rows[code]));
                else
                    out << " \xE2\x80\x94 (command " << e.id << " picks no event)";
                out << '\n';
                break;
            }
        }
    }
}

std::string typeName(RoutineKind family, int16_t type) {
    switch (paramKind(family, type)) {
        case ParamKind::Integer: return "integer (" + std::to_string(type) + ")";
        case ParamKind::Object: return "object (" + std::to_string(type) + ")";
        case ParamKind::Number: return "number (" + std::to_string(type) + ")";
        case ParamKind::Unknown: break;
    }
    return "type " + std::to_string(type);
}

std::string hex16(uint16_t v) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string s = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) s += kHex[(v >> shift) & 15];
    return s;
}

void writeReference(std::ostream& out, const FamilyReport& report) {
    RoutineKind family = report.entries->kind;
    out << "| Code | Written as | Menu label | Flags | Parameters: title, type, unit |\n";
    out << "|---:|---|---|---|---|\n";
    for (const EventRow& row : report.rows) {
        out << "| " << row.code << " | " << inlineCode(writtenDisplay(report, row)) << " | "
            << (row.menuLabel.empty() ? "\xE2\x80\x94" : row.menuLabel) << " | " << hex16(row.infos.flags) << " | ";
        if (row.infos.paramTypes.empty()) out << "none";
        for (size_t i = 0; i < row.infos.paramTypes.size(); ++i) {
            int16_t type = row.infos.paramTypes[i];
            // An expression's one title names all of its parameters.
            size_t titleIndex = family == RoutineKind::Expression ? 0 : i;
            std::string title = titleIndex < row.titles.size() ? singleByteToUtf8(row.titles[titleIndex]) : "";
            out << (i == 0 ? "" : "<br>") << "`%" << i << "` "
                << (title.empty() ? std::string("*(no title)*") : "\"" + title + "\"") << ", " << typeName(family, type)
                << ", " << paramUnit(row.display, static_cast<int>(i), paramKind(family, type));
        }
        out << " |\n";
    }
}

// The type codes are the module's own (event_list.h).
constexpr std::string_view kIntroHead =
    "# Kinemo events\n"
    "\n"
    "Generated by `kinemo-host describe` from the module's own edit-time entry points: the menus the event\n"
    "editor shows, the command-to-event lookups, the display strings, the descriptor records and the\n"
    "parameter titles. Regenerate it rather than editing it.\n"
    "\n"
    "In a scene, an event is written as its display string with each `%N` replaced by a value\n"
    "(the degree sign may be left out); an expression is followed by its arguments and `)`.\n"
    "\n"
    "Parameter types: *integer* (";
constexpr std::string_view kIntroObject = ") is evaluated by the host application and passed as a signed 32-bit integer;\n*object* (";
constexpr std::string_view kIntroNumber = ") is a playfield object the author picks; an expression's *number* (";
constexpr std::string_view kIntroTail =
    ") is fetched\n"
    "by the expression and may be written as an integer or as a float (with a decimal point or an\n"
    "exponent); the module reads its bits by its integer-or-float rule, so a float below 1 in magnitude\n"
    "arrives as an integer (see `kinemo-host run --help`).\n"
    "\n"
    "Units are read off the display strings: speeds and speed limits in hundredths of a pixel per\n"
    "frame; an impulse (\"Directional Speed\") and the gravity strength in ten-thousandths, since\n"
    "each is added as a hundredth of its value; distances moved in hundredths of a pixel;\n"
    "positions in pixels; angles in degrees; the bounce coefficient in percent.\n";

}  // namespace

void describeEvents(kdrv::Module& m, std::ostream& out) {
    EditSession session = newEditSession(m);
    EventCounts counts = readEventCounts(m);
    out << kIntroHead << ParamNumber << kIntroObject << ParamObject << kIntroNumber << ParamFetched << kIntroTail;
    struct Section {
        RoutineKind family;
        std::string_view title;
    };
    for (Section s : {Section{RoutineKind::Action, "Actions"}, Section{RoutineKind::Condition, "Conditions"},
                      Section{RoutineKind::Expression, "Expressions"}}) {
        FamilyReport report = readFamily(m, session, s.family, countOf(counts, s.family));
        out << "\n## " << s.title << " (" << report.rows.size() << ")\n\n### Menu\n\n";
        writeMenu(out, report, report.menu, 0);
        out << "\n### Reference\n\n";
        writeReference(out, report);
    }
}

}  // namespace khost
