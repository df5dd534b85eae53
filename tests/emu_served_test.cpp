// What the emulated host serves in the platform's place, held to what the
// platform does: msvcrt's maths under the caller's x87 control word, and
// ORVEX32's open calling convention and image-object size.
#include <gtest/gtest.h>

#include <bit>
#include <stdexcept>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "emu/emulated_host.h"
#include "emu/served_imports.h"
#include "emu_guest_code.h"

using emu::Convention;
using emu::Machine;
using guestcode::cat;
using guestcode::Code;
using guestcode::le32;

namespace {

constexpr uint32_t kCodeBase = 0x00600000;

// Passes its own `slots` stack arguments on to a cdecl function that returns
// a double, and stores the result: push [esp+4n] n times; mov ecx,fn; call ecx;
// add esp,4n; fstp qword [out]; ret 4n
Code forwardDouble(uint32_t fn, uint8_t slots, uint32_t out) {
    const uint8_t bytes = uint8_t(4 * slots);
    Code code;
    for (int i = 0; i < slots; ++i) code = cat({code, {0xFF, 0x74, 0x24, bytes}});
    return cat({code, {0xB9}, le32(fn), {0xFF, 0xD1, 0x83, 0xC4, bytes, 0xDD, 0x1D}, le32(out), {0xC2, bytes, 0x00}});
}

TEST(EmuServed, MsvcrtMathsRoundsToTheCallersX87PrecisionAndDirection) {
    struct Case {
        const char* function;
        std::vector<double> args;
        uint16_t controlWord;
        uint64_t bits;
    };
    const Case cases[] = {
        {"sin", {0.5}, 0x027F, 0x3FDEAEE8744B05F0},  // Windows' default: the C library's double
        {"sin", {0.5}, 0x037F, 0x3FDEAEE8744B05F0},  // 64-bit precision, stored as a double
        {"sin", {0.5}, 0x007F, 0x3FDEAEE880000000},  // 24-bit precision (Direct3D's default)
        {"sin", {0.5}, 0x047F, 0x3FDEAEE860000000},  // 24 bits, down
        {"sin", {0.5}, 0x067F, 0x3FDEAEE8744B05EF},  // 53 bits, down
        {"sin", {0.5}, 0x077F, 0x3FDEAEE8744B05EF},  // 64 bits, down
        {"cos", {2.0}, 0x007F, 0xBFDAA22660000000},
        {"cos", {2.0}, 0x087F, 0xBFDAA22640000000},  // up: toward zero for a negative result
        {"cos", {2.0}, 0x0C7F, 0xBFDAA22640000000},  // toward zero
        {"cos", {2.0}, 0x0E7F, 0xBFDAA22657537204},
        {"atan2", {1.0, 3.0}, 0x027F, 0x3FD4978FA3269EE1},
        {"atan2", {1.0, 3.0}, 0x087F, 0x3FD4978FC0000000},
        {"atan2", {1.0, 3.0}, 0x0A7F, 0x3FD4978FA3269EE2},
        // Both zero: a domain error that gives +0, whatever the signs.
        {"atan2", {0.0, -0.0}, 0x027F, 0},
        {"atan2", {-0.0, -0.0}, 0x027F, 0},
        {"atan2", {-0.0, 0.0}, 0x0C7F, 0},
        {"atan2", {0.0, 0.0}, 0x007F, 0},
    };
    Machine m;
    guestcode::CodeArea code(m, kCodeBase);
    emu::GuestServices services{m, 0, {}, {}, {}, 0, {}};
    const uint32_t out = m.alloc(8);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.function) + " " + std::to_string(c.args[0]) + " control " + std::to_string(c.controlWord));
        const emu::ServedImport* row = emu::findServedImport("msvcrt.dll", c.function, 0);
        ASSERT_NE(row, nullptr);
        const uint32_t fn = m.addThunk(c.function, row->argSlots, row->convention, row->result,
                                       [&services, row](emu::ThunkCall& call) { row->handler(services, call); });
        const auto slots = uint8_t(2 * c.args.size());
        ASSERT_EQ(slots, row->argSlots);
        std::vector<uint32_t> args;
        for (double a : c.args) {
            const auto b = std::bit_cast<uint64_t>(a);
            args.insert(args.end(), {uint32_t(b), uint32_t(b >> 32)});
        }
        m.setHostFpState({c.controlWord, 0x1F80});
        m.call(code.place(forwardDouble(fn, slots, out)), args, c.function);
        EXPECT_EQ(m.read32(out) | uint64_t{m.read32(out + 4)} << 32, c.bits) << std::hex << m.read32(out + 4);
    }
}

// Each served import takes the stack slots, convention and result register
// that its documentation gives (ORVEX32's free functions as the host leaves
// them by default, its image operations with the object in ECX).
TEST(EmuServed, EveryServedImportTakesTheSlotsItsDocumentationGives) {
    struct Row {
        const char* dll;
        const char* name;  // empty: by ordinal
        uint16_t ordinal;
        uint8_t slots;
        Convention convention;
        emu::ResultIn result;
    };
    using R = emu::ResultIn;
    constexpr Convention S = Convention::Stdcall, C = Convention::Cdecl, T = Convention::Thiscall;
    const Row rows[] = {
        {"KERNEL32.dll", "FindResourceA", 0, 3, S, R::Eax},      {"KERNEL32.dll", "LoadResource", 0, 2, S, R::Eax},
        {"KERNEL32.dll", "LockResource", 0, 1, S, R::Eax},       {"KERNEL32.dll", "FreeResource", 0, 1, S, R::Eax},
        {"KERNEL32.dll", "LocalAlloc", 0, 2, S, R::Eax},         {"KERNEL32.dll", "LocalFree", 0, 1, S, R::Eax},
        {"KERNEL32.dll", "GetModuleFileNameA", 0, 3, S, R::Eax}, {"USER32.dll", "LoadStringA", 0, 4, S, R::Eax},
        {"USER32.dll", "LoadMenuA", 0, 2, S, R::Eax},            {"USER32.dll", "GetSubMenu", 0, 2, S, R::Eax},
        {"USER32.dll", "CreatePopupMenu", 0, 0, S, R::Eax},      {"USER32.dll", "AppendMenuA", 0, 4, S, R::Eax},
        {"USER32.dll", "GetMenuItemCount", 0, 1, S, R::Eax},     {"USER32.dll", "GetMenuItemID", 0, 2, S, R::Eax},
        {"USER32.dll", "GetMenuStringA", 0, 5, S, R::Eax},       {"USER32.dll", "GetMenuState", 0, 3, S, R::Eax},
        {"USER32.dll", "DestroyMenu", 0, 1, S, R::Eax},          {"USER32.dll", "EndDialog", 0, 2, S, R::Eax},
        {"USER32.dll", "GetWindowLongA", 0, 2, S, R::Eax},       {"USER32.dll", "SetWindowLongA", 0, 3, S, R::Eax},
        {"msvcrt.dll", "sin", 0, 2, C, R::St0},                  {"msvcrt.dll", "cos", 0, 2, C, R::St0},
        {"msvcrt.dll", "atan2", 0, 4, C, R::St0},                {"msvcrt.dll", "memcpy", 0, 3, C, R::Eax},
        {"msvcrt.dll", "memmove", 0, 3, C, R::Eax},              {"msvcrt.dll", "memset", 0, 3, C, R::Eax},
        {"msvcrt.dll", "strlen", 0, 1, C, R::Eax},               {"ORVEX32.dll", "", 12, 8, S, R::Eax},
        {"ORVEX32.dll", "", 191, 2, S, R::Eax},                  {"ORVEX32.dll", "", 308, 0, T, R::Eax},
        {"ORVEX32.dll", "", 313, 0, T, R::Eax},                  {"ORVEX32.dll", "", 336, 7, T, R::Eax},
        {"ORVEX32.dll", "", 340, 3, T, R::Eax},                  {"ORVEX32.dll", "", 395, 3, T, R::Eax},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.dll) + " " + r.name + " " + std::to_string(r.ordinal));
        const emu::ServedImport* row = emu::findServedImport(r.dll, r.name, r.ordinal);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->argSlots, r.slots);
        EXPECT_EQ(row->convention, r.convention);
        EXPECT_EQ(row->result, r.result);
    }
    EXPECT_EQ(emu::windowsImports().size() + emu::orvexImports().size(), std::size(rows)) << "a row the table does not know";
}

// The thunk kinemo.qlm's import of an ORVEX32 ordinal is bound to.
uint32_t orvexThunk(emu::EmulatedHost& host, uint16_t ordinal) {
    const pe::ImportedDll* dll = host.image().importsFrom("ORVEX32.dll");
    if (dll != nullptr)
        for (const pe::Import& imp : dll->entries)
            if (imp.byOrdinal && imp.ordinal == ordinal) return host.machine().read32(host.base() + imp.iatRva);
    throw std::runtime_error("kinemo.qlm does not import ORVEX32 ordinal " + std::to_string(ordinal));
}

// The host's support library, as its contract lists it: the modal dialog,
// the drawing target, and the image object's set-up, disposal, drawing,
// preparation and loading.
const std::set<uint16_t> kOrvexContractOrdinals = {12, 191, 308, 313, 336, 340, 395};

TEST(EmuServed, TheModuleImportsTheSupportLibrarysContractOrdinalsAndEachIsServed) {
    emu::EmulatedHost host(KINEMO_DLL_PATH);
    const pe::ImportedDll* dll = host.image().importsFrom("ORVEX32.dll");
    ASSERT_NE(dll, nullptr);
    std::set<uint16_t> imported;
    for (const pe::Import& imp : dll->entries) {
        EXPECT_TRUE(imp.byOrdinal) << imp.name;
        imported.insert(imp.ordinal);
    }
    EXPECT_EQ(imported, kOrvexContractOrdinals);
    EXPECT_EQ(host.unservedImports(), std::vector<std::string>{});
}

emu::LoadOptions orvexOptions(Convention functions, uint32_t imageBytes = 0) {
    emu::LoadOptions o;
    o.orvexFunctions = functions;
    o.orvexImageBytes = imageBytes;
    return o;
}

TEST(EmuServed, OrvexFunctionsRemoveTheirArgumentsAsTheHostChose) {
    struct Case {
        Convention functions;
        uint16_t ordinal;
        uint8_t slots;
        uint32_t leftOnStack;
    };
    const Case cases[] = {
        {Convention::Stdcall, 191, 2, 0},
        {Convention::Cdecl, 191, 2, 8},
        {Convention::Stdcall, 340, 3, 0},
        {Convention::Cdecl, 340, 3, 0},  // image operations stay thiscall
        {Convention::Cdecl, 336, 7, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("ordinal " + std::to_string(c.ordinal) + (c.functions == Convention::Cdecl ? " cdecl" : " stdcall"));
        emu::EmulatedHost host(KINEMO_DLL_PATH, orvexOptions(c.functions));
        Machine& m = host.machine();
        guestcode::CodeArea area(m, kCodeBase);
        const uint32_t object = m.alloc(4096);
        // push ebp; mov ebp,esp; push 0 (n times); mov ecx,object; mov eax,fn; call eax;
        // mov eax,ebp; sub eax,esp; mov esp,ebp; pop ebp; ret   -> bytes the callee left
        Code code = {0x55, 0x89, 0xE5};
        for (int i = 0; i < c.slots; ++i) code = cat({code, {0x6A, 0x00}});
        code = cat({code, {0xB9}, le32(object), {0xB8}, le32(orvexThunk(host, c.ordinal)),
                    {0xFF, 0xD0, 0x89, 0xE8, 0x29, 0xE0, 0x89, 0xEC, 0x5D, 0xC3}});
        EXPECT_EQ(m.call(area.place(code), {}, "caller"), c.leftOnStack);
    }
}

TEST(EmuServed, TheImageObjectMustHoldWhatTheLibraryWritesIntoIt) {
    struct Case {
        const char* name;
        uint32_t localBytes;  // the object, a local at the bottom of the caller's frame
        bool setUp;           // ordinal 308 before 313
        bool overwrite;       // the caller writes into the object in between
        const char* error;    // part of the message; null: no error
    };
    const Case cases[] = {
        {"room for the library's object", 4096, true, false, nullptr},
        {"object smaller than the library's", 256, true, false, ""},
        {"caller writes into the object", 4096, true, true, "corrupted since set-up: byte 100 of 3072"},
        {"disposed of without set-up", 4096, false, false, "was not set up"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emu::EmulatedHost host(KINEMO_DLL_PATH, orvexOptions(Convention::Stdcall, 3072));
        Machine& m = host.machine();
        guestcode::CodeArea area(m, kCodeBase);
        // push ebp; mov ebp,esp; sub esp,n; [mov ecx,esp; mov eax,init; call eax;]
        // [mov byte [esp+100],0;] mov ecx,esp; mov eax,dispose; call eax; mov esp,ebp; pop ebp; ret
        Code code = cat({{0x55, 0x89, 0xE5, 0x81, 0xEC}, le32(c.localBytes)});
        if (c.setUp) code = cat({code, {0x89, 0xE1, 0xB8}, le32(orvexThunk(host, 308)), {0xFF, 0xD0}});
        if (c.overwrite) code = cat({code, {0xC6, 0x44, 0x24, 100, 0x00}});
        code = cat({code, {0x89, 0xE1, 0xB8}, le32(orvexThunk(host, 313)), {0xFF, 0xD0, 0x89, 0xEC, 0x5D, 0xC3}});
        std::string error = "no error";
        try {
            m.call(area.place(code), {}, "caller");
        } catch (const emu::EmuError& e) {
            error = e.what();
        }
        if (c.error == nullptr) {
            EXPECT_EQ(error, "no error");
        } else {
            EXPECT_NE(error, "no error");
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        }
    }
}

}  // namespace
