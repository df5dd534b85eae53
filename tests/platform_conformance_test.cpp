// The Windows calls the module makes, each with the arguments it passes and
// their edge cases, asked of whatever serves them in this build: the
// stand-ins natively, the real Windows API (Wine) on win64. One expected
// answer a row, the same for both. Where they differed, the stand-in was
// changed to Wine's answer. The dialog rows run the module's own About box
// procedure in ORVEX32's modal run (on win64 Windows' dialog manager, so
// those need a display).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "editor/about.h"
#include "host/resource_ids.h"
#include "platform/orvex32.h"
#include "platform/winapi.h"
#include "standins/resource_table.h"
#include "standins/standin.h"

using kinemo::aboutDialogProc;

namespace {

HMODULE module() { return nativeModuleHandle(); }

std::string hex(uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%X", v);
    return b;
}

// A buffer of '#', read back as "text|" and whatever the call wrote past the
// terminator, or "text~" when it wrote no terminator.
struct Canary {
    char bytes[96];
    Canary() { std::memset(bytes, '#', sizeof bytes); }
    std::string shown() const {
        if (untouched()) return "untouched";
        const size_t end = strnlen(bytes, sizeof bytes);
        if (end == sizeof bytes) return std::string(bytes, strcspn(bytes, "#")) + "~";  // no terminator
        std::string s(bytes, end);
        s += '|';
        for (size_t i = end + 1; i < sizeof bytes && bytes[i] != '#'; ++i) s += bytes[i];
        return s;
    }
    bool untouched() const {
        for (char c : bytes)
            if (c != '#') return false;
        return true;
    }
};

std::string loadString(UINT id, int size) {
    Canary c;
    const int n = LoadStringA(module(), id, c.bytes, size);
    return std::to_string(n) + " " + (c.untouched() ? "untouched" : c.shown());
}

HMENU actionsPopup(HMENU& loaded) {
    loaded = LoadMenuA(module(), MAKEINTRESOURCEA(KINEMO_MENU_ACTIONS));
    return GetSubMenu(loaded, 0);
}

// One menu level read back through the calls the module's copy makes:
// "label=id" for a command, "-id" for a separator, "label{...}" for a popup,
// a state other than the plain one as "+0xN".
std::string tree(HMENU menu) {
    std::string out;
    const int count = GetMenuItemCount(menu);
    for (int pos = 0; pos < count; ++pos) {
        if (pos != 0) out += "|";
        char label[80] = {};
        GetMenuStringA(menu, static_cast<UINT>(pos), label, sizeof label, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, static_cast<UINT>(pos), MF_BYPOSITION);
        const UINT id = GetMenuItemID(menu, pos);
        if (HMENU sub = GetSubMenu(menu, pos)) {
            out += label;
            out += "{";
            out += tree(sub);
            out += "}";
            if ((state & 0xFF) != MF_POPUP) out += "+" + hex(state & 0xFF);
        } else if (state & MF_SEPARATOR) {
            out += "-" + std::to_string(id);
            if (state != (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)) out += "+" + hex(state);
        } else {
            out += std::string(label) + "=" + std::to_string(id);
            if (state != 0) out += "+" + hex(state);
        }
    }
    return out;
}

std::string loadedTree(UINT templateId) {
    HMENU loaded = LoadMenuA(module(), MAKEINTRESOURCEA(templateId));
    if (loaded == nullptr) return "none";
    const std::string t = tree(loaded);
    DestroyMenu(loaded);
    return t;
}

// What a position of the actions popup answers.
std::string byPosition(int pos) {
    HMENU loaded;
    HMENU popup = actionsPopup(loaded);
    const std::string a = "state " + hex(GetMenuState(popup, static_cast<UINT>(pos), MF_BYPOSITION)) + " id " +
                          hex(GetMenuItemID(popup, pos)) + " sub " + (GetSubMenu(popup, pos) ? "yes" : "no");
    DestroyMenu(loaded);
    return a;
}

std::string menuString(UINT item, int size, UINT flags) {
    HMENU loaded;
    HMENU popup = actionsPopup(loaded);
    Canary c;
    const int n = GetMenuStringA(popup, item, c.bytes, size, flags);
    DestroyMenu(loaded);
    return std::to_string(n) + " " + c.shown();
}

// An item appended as the module's copy appends it, read back.
std::string appended(UINT flags, UINT_PTR id, const char* label) {
    HMENU menu = CreatePopupMenu();
    HMENU sub = (flags & MF_POPUP) ? CreatePopupMenu() : nullptr;
    const BOOL ok = AppendMenuA(menu, flags, sub ? static_cast<UINT_PTR>(reinterpret_cast<uintptr_t>(sub)) : id, label);
    Canary c;
    const int n = GetMenuStringA(menu, 0, c.bytes, 80, MF_BYPOSITION);
    const std::string a = std::string(ok ? "ok" : "failed") + " count " + std::to_string(GetMenuItemCount(menu)) +
                          " state " + hex(GetMenuState(menu, 0, MF_BYPOSITION)) + " id " + hex(GetMenuItemID(menu, 0)) +
                          " label " + std::to_string(n) + " " + c.shown();
    DestroyMenu(menu);
    return a;
}

std::string bitmap(UINT id) {
    HRSRC found = FindResourceA(module(), MAKEINTRESOURCEA(id), RT_BITMAP);
    if (found == nullptr) return "not found";
    HGLOBAL loaded = LoadResource(module(), found);
    if (loaded == nullptr) return "not loaded";
    const auto* b = static_cast<const uint8_t*>(LockResource(loaded));
    if (b == nullptr) return "not locked";
    auto u32 = [b](int at) { uint32_t v; std::memcpy(&v, b + at, 4); return v; };
    uint16_t bits;
    std::memcpy(&bits, b + 14, 2);
    const std::string a = "header " + std::to_string(u32(0)) + " " + std::to_string(u32(4)) + "x" +
                          std::to_string(u32(8)) + " bits " + std::to_string(bits) + " free " +
                          std::to_string(FreeResource(loaded));
    return a;
}

// GetModuleFileNameA with `size` bytes, against the full path.
std::string moduleFileName(int shortBy) {
    char full[1024];
    const DWORD length = GetModuleFileNameA(module(), full, sizeof full);
    if (length == 0 || length >= sizeof full) return "no path";
    const DWORD size = shortBy < 0 ? length + 1 : length + 1 - static_cast<DWORD>(shortBy);
    Canary c;
    const DWORD n = GetModuleFileNameA(module(), c.bytes, size);
    const std::string written(c.bytes, strnlen(c.bytes, sizeof c.bytes));
    std::string a = n == size ? "size" : n == length ? "length" : std::to_string(n);
    a += written == std::string(full, length) ? " whole path" :
         written == std::string(full, size - 1) ? " path cut to size - 1" :
         std::string(c.bytes, size) == std::string(full, size) ? " path's first size characters" : " other text";
    if (c.bytes[size] != '#') a += ", wrote past size";
    return a;
}

std::string localZeroFill() {
    HLOCAL first = LocalAlloc(0, 260);
    if (first != nullptr) std::memset(first, 0xA5, 260);
    const bool freedFirst = LocalFree(first) == nullptr;
    auto* block = static_cast<uint8_t*>(LocalAlloc(LMEM_ZEROINIT, 260));
    if (block == nullptr) return "failed";
    int nonZero = 0;
    for (int i = 0; i < 260; ++i) nonZero += block[i] != 0;
    const bool freed = LocalFree(block) == nullptr;
    return std::to_string(nonZero) + " non-zero, freed " + (freedFirst && freed ? "with null" : "otherwise");
}

std::string destroyTwice() {
    HMENU menu = CreatePopupMenu();
    const BOOL first = DestroyMenu(menu);
    const BOOL second = DestroyMenu(menu);
    return std::to_string(first) + " " + std::to_string(second);
}

// ---- The About box ---------------------------------------------------------

constexpr uint32_t kOtherCommand = 7;  // no control carries it
constexpr LONG kStoredByTest = 0x1234;

// What the window's user slot held as the procedure saw its messages.
std::vector<std::string> gSlots;

// The module's procedure, with the user slot read after initialisation and
// Get/SetWindowLongA tried on it at an unhandled command.
INT_PTR CALLBACK observingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const INT_PTR result = aboutDialogProc(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG) gSlots.push_back("init " + hex(static_cast<uint32_t>(GetWindowLongA(dialog, DWLP_USER))));
    if (message == WM_COMMAND && (wParam & 0xFFFF) == kOtherCommand) {
        const LONG previous = SetWindowLongA(dialog, DWLP_USER, kStoredByTest);
        const LONG now = GetWindowLongA(dialog, DWLP_USER);
        SetWindowLongA(dialog, DWLP_USER, previous);
        gSlots.push_back("set gave " + hex(static_cast<uint32_t>(previous)) + " then " + hex(static_cast<uint32_t>(now)));
    }
    return result;
}

// The modal run with commands in order; what the procedure answered to the
// initialisation, to each command, and to anything else the dialog manager
// sent, and how the box ended.
std::string aboutBox(std::vector<uint32_t> commands, uint32_t context = 0x51) {
    standin::reset();
    gSlots.clear();
    standin::scriptDialogCommands(std::move(commands));
    const int32_t result = orvexRunDialog(module(), KINEMO_DIALOG_ABOUT, 0, observingProc, 0, 0, 3, context);
    const standin::DialogRun& run = standin::dialogRuns().back();
    std::string init, replies;
    int others = 0, otherNonZero = 0;
    for (const standin::DialogMessage& m : run.messages) {
        if (m.message == WM_INITDIALOG) init += std::to_string(m.result) + (m.lParam == static_cast<int32_t>(context) ? "" : "?");
        else if (m.message == WM_COMMAND) replies += " " + std::to_string(m.wParam) + ":" + std::to_string(m.result);
        else otherNonZero += m.result != 0, ++others;
    }
    std::string slots;
    for (const std::string& s : gSlots) slots += ", " + s;
    return "init " + init + ", commands" + replies + ", other messages answered non-zero " +
           std::to_string(otherNonZero) + ", ended " + (run.ended ? "yes" : "no") + " with " + std::to_string(result) +
           slots;
}

struct Row {
    const char* call;
    std::function<std::string()> answer;
    std::string expected;
};

std::vector<Row> rows() {
    using S = std::string;
    const UINT name = KINEMO_STRING_NAME;  // "Kinemo", 6 characters
    return {
        // The string table: the module passes its buffer's size (never 0).
        {"LoadStringA size 0", [=] { return loadString(name, 0); }, "-1 untouched"},
        {"LoadStringA size 1", [=] { return loadString(name, 1); }, "0 |"},
        {"LoadStringA size = length", [=] { return loadString(name, 6); }, "5 Kinem|"},
        {"LoadStringA size = length + 1", [=] { return loadString(name, 7); }, "6 Kinemo|"},
        {"LoadStringA longer", [=] { return loadString(name, 64); }, "6 Kinemo|"},
        {"LoadStringA missing id, block present", [] { return loadString(133, 64); }, "0 |"},
        {"LoadStringA missing id, no block", [] { return loadString(27, 64); }, "0 |"},
        {"LoadStringA code page 1252", [] { return loadString(KINEMO_ACTION_STRING_BASE + 27, 64); },
         "21 Rotate %0\xB0 towards %1|"},
        // Menus by position in the actions popup: command, separator with an
        // id, popup, past the end.
        {"GetMenuState/ItemID command", [] { return byPosition(0); }, "state 0x0 id 0x61AA sub no"},
        {"GetMenuState/ItemID separator", [] { return byPosition(3); }, "state 0x803 id 0x61AA sub no"},
        {"GetMenuState/ItemID popup", [] { return byPosition(4); }, "state 0x610 id 0xFFFFFFFF sub yes"},
        {"GetMenuState/ItemID past end", [] { return byPosition(12); }, "state 0xFFFFFFFF id 0xFFFFFFFF sub no"},
        {"GetMenuStringA by position", [] { return menuString(0, 80, MF_BYPOSITION); }, "10 Set Object|"},
        {"GetMenuStringA cut", [] { return menuString(0, 4, MF_BYPOSITION); }, "3 Set ~"},
        {"GetMenuStringA size = length", [] { return menuString(0, 10, MF_BYPOSITION); }, "9 Set Object~"},
        {"GetMenuStringA separator", [] { return menuString(3, 80, MF_BYPOSITION); }, "0 |"},
        {"GetMenuStringA missing position", [] { return menuString(40, 80, MF_BYPOSITION); }, "0 untouched"},
        {"GetMenuStringA by command, nested", [] { return menuString(25005, 80, MF_BYCOMMAND); }, "5 Set X|"},
        {"GetMenuStringA by command, missing", [] { return menuString(24999, 80, MF_BYCOMMAND); }, "0 untouched"},
        {"GetMenuItemCount", [] { HMENU l; const int n = GetMenuItemCount(actionsPopup(l)); DestroyMenu(l); return S(std::to_string(n)); }, "12"},
        // Items appended with each flag combination the module's copy uses.
        {"AppendMenuA command", [] { return appended(MF_STRING, 25005, "Set X"); }, "ok count 1 state 0x0 id 0x61AD label 5 Set X|"},
        {"AppendMenuA state bits", [] { return appended(MF_CHECKED | MF_GRAYED, 25005, "Set X"); },
         "ok count 1 state 0x9 id 0x61AD label 5 Set X|"},
        {"AppendMenuA separator state with id", [] { return appended(MF_SEPARATOR | MF_GRAYED | MF_DISABLED, 25002, ""); },
         "ok count 1 state 0x803 id 0x61AA label 0 |"},
        {"AppendMenuA separator, no id", [] { return appended(MF_SEPARATOR, 0, nullptr); }, "ok count 1 state 0x803 id 0x0 label 0 |"},
        {"AppendMenuA popup", [] { return appended(MF_POPUP, 0, "Position"); }, "ok count 1 state 0x10 id 0xFFFFFFFF label 8 Position|"},
        {"AppendMenuA empty label", [] { return appended(MF_STRING, 25003, ""); }, "ok count 1 state 0x0 id 0x61AB label 0 |"},
        {"CreatePopupMenu, DestroyMenu twice", [] { return destroyTwice(); }, "1 0"},
        // The three templates, item by item, and one that is not there.
        {"LoadMenuA conditions", [] { return loadedTree(KINEMO_MENU_CONDITIONS); }, "{Is Paused=26000}"},
        {"LoadMenuA actions", [] { return loadedTree(KINEMO_MENU_ACTIONS); },
         "{Set Object=25002|Pause Kinemo=25020|Resume Kinemo=25021|-25002|"
         "Position{Set X=25005|Set Y=25006|Set Position=25007|-25000|Move Towards (object)=25023|Move Towards (angle)=25026}|"
         "Angle{Set Angle=25000|Set Angle Towards Point=25014|Set Angle Towards Object=25012|-25000|"
         "Rotate Towards (object)=25027|Rotate Towards (angle)=25028}|"
         "Speed{Set Kinemo Speed=25001|Set Kinemo X Speed=25010|Set Kinemo Y Speed=25011|-25000|"
         "Add Directional Speed (object)=25024|Add Directional Speed (angle)=25025|-25000|"
         "Set Minimum Speed=25008|Set Maximum Speed=25009}|"
         "Gravity / Acceleration{Set Gravity Strength=25003|Set Gravity Angle=25004|Set Gravity Towards Point=25015|"
         "Set Gravity Towards Object=25013}|"
         "Set Mode{Wrap Mode=25016|Bounce Mode=25017|Disable Wrap/Bounce=25018}|-25000|"
         "Set Bounce Coefficient=25019|Forced Bounce=25022}"},
        {"LoadMenuA expressions", [] { return loadedTree(KINEMO_MENU_EXPRESSIONS); },
         "{Get X=27020|Get Y=27030|-27010|Get Angle=27000|-27010|Get Kinemo Speed=27010|Get Kinemo X Speed=27040|"
         "Get Kinemo Y Speed=27050|Get Minimum Speed=27090|Get Maximum Speed=27080|-27010|Get Gravity Strength=27060|"
         "Get Gravity Angle=27070|-27010|Get Bounce Coefficient=27100|-25000|"
         "Advanced{Distance from Object to Point=27110|Distance between Two Points=27130|-27010|"
         "Angle between Object and Point=27120|Angle between Two Points=27140}}"},
        {"LoadMenuA missing", [] { return loadedTree(20005); }, "none"},
        // Bitmaps found, loaded, locked and released as MakeIcon does.
        {"bitmap 400", [] { return bitmap(KINEMO_BITMAP_ICON); }, "header 40 32x32 bits 8 free 0"},
        {"bitmap 401", [] { return bitmap(KINEMO_BITMAP_PICTURE); }, "header 40 32x32 bits 8 free 0"},
        {"bitmap 101", [] { return bitmap(101); }, "header 40 161x70 bits 8 free 0"},
        {"bitmap missing", [] { return bitmap(402); }, "not found"},
        {"GetModuleFileNameA room to spare", [] { return moduleFileName(-1); }, "length whole path"},
        {"GetModuleFileNameA short by one", [] { return moduleFileName(1); }, "size path's first size characters"},
        {"GetModuleFileNameA short by many", [] { return moduleFileName(12); }, "size path's first size characters"},
        {"LocalAlloc zero fill, LocalFree", [] { return localZeroFill(); }, "0 non-zero, freed with null"},
        {"EndDialog, no dialog", [] { return S(std::to_string(EndDialog(nullptr, 0))); }, "0"},
        // The About box: OK, Escape's command, the path command, another
        // command, and a script that never ends it.
        {"About box: OK", [] { return aboutBox({1}); },
         "init 1, commands 1:0, other messages answered non-zero 0, ended yes with 0, init 0x51"},
        {"About box: Escape's command", [] { return aboutBox({2}); },
         "init 1, commands 2:0, other messages answered non-zero 0, ended yes with -1, init 0x51"},
        {"About box: path, then OK", [] { return aboutBox({20004, 1}); },
         "init 1, commands 20004:0 1:0, other messages answered non-zero 0, ended yes with 0, init 0x51"},
        {"About box: other command, then Escape", [] { return aboutBox({kOtherCommand, 2}, 0x7FFF1234); },
         "init 1, commands 7:0 2:0, other messages answered non-zero 0, ended yes with -1, init 0x7FFF1234, "
         "set gave 0x7FFF1234 then 0x1234"},
        {"About box: no command ends it", [] { return aboutBox({kOtherCommand}); },
         "init 1, commands 7:0, other messages answered non-zero 0, ended no with -1, init 0x51, set gave 0x51 then 0x1234"},
    };
}

}  // namespace

TEST(PlatformConformance, EveryCallPatternAnswersAsWindows) {
    const std::vector<Row> all = rows();
    int disagreements = 0;
    for (const Row& row : all) {
        const std::string got = row.answer();
        if (got == row.expected) continue;
        ++disagreements;
        ADD_FAILURE() << row.call << "\n  expected: " << row.expected << "\n  got:      " << got;
    }
    std::printf("platform conformance: %zu rows, %d disagree\n", all.size(), disagreements);
    standin::reset();
}
