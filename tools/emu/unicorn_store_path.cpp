// Unicorn 2.0.1 has its dirty-page tracking stubbed out: every page counts
// as clean, so every guest store to RAM takes the slow path meant for a
// store that may hit translated code. That path looks up the memory map,
// looks for code to invalidate and builds and frees a tree of page locks,
// each time: stores were most of a module call's cost. The executables
// define four of the library's internal functions (their definitions come
// first in symbol lookup) and, once engaged, shorten three steps:
// - the lock tree: Unicorn runs one thread per engine and its page locks do
//   nothing, so none is built, as later releases do (upstream pull request
//   1838);
// - the clean mark: a page the running machine maps as plain data (read and
//   write, never execute) cannot hold translated code, and every store to it
//   is allowed, so its TLB entry is marked dirty as soon as it is filled and
//   its stores take the fast path. Code pages, read-only pages and pages
//   that are both writable and executable keep the slow path with all its
//   checks. No memory write hook may join such a machine (Machine::addHook
//   refuses one): it was never shown to see every store that skips them;
// - the byte before the stop address (below).
// Engaging is all or nothing: the lock and the unlock must both be ours, or
// the library's unlock would receive our stand-in lock. Before the first
// machine, a probe runs one store in a scratch engine with every stand-in
// forwarding to the library and records which of them the library's own
// calls reached, then reads the library's import slots (its GOT) for the four
// names: every one must hold ours, so that no call through its PLT elsewhere
// lands in its own copy. Only a library of exactly 2.0.1 that passes both for
// all four is shortened; otherwise each stand-in keeps forwarding, and
// standard error says why once. The executables link this file's object directly (see
// cmake/native.cmake), never through an archive the linker could skip.
#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <unicorn/unicorn.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "emu/guest_machine.h"

struct page_collection;

namespace {

constexpr unsigned kStubbedTrackingVersion = 0x020001;  // major, minor, patch

char gNoLocks;
page_collection* const kNoLocks = reinterpret_cast<page_collection*>(&gNoLocks);

std::atomic<bool> gEngaged{false};
std::atomic<unsigned> gReached{0};  // stand-ins the library called, as bits of kStandIns

bool engaged() { return gEngaged.load(std::memory_order_relaxed); }
void reached(unsigned standIn) { gReached.fetch_or(standIn, std::memory_order_relaxed); }

template <class Fn>
Fn libraryFunction(const char* name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

template <class Fn>
Fn requiredLibraryFunction(const char* name) {
    const Fn fn = libraryFunction<Fn>(name);
    if (fn == nullptr) {
        std::fprintf(stderr, "libunicorn has no %s\n", name);
        std::abort();
    }
    return fn;
}

}  // namespace

extern "C" {

page_collection* page_collection_lock_x86_64(uc_struct* uc, uint64_t start, uint64_t end) {
    reached(emu::kStandInLock);
    if (engaged()) return kNoLocks;
    using Lock = page_collection* (*)(uc_struct*, uint64_t, uint64_t);
    static const Lock lock = libraryFunction<Lock>("page_collection_lock_x86_64");
    return lock == nullptr ? kNoLocks : lock(uc, start, end);
}

void page_collection_unlock_x86_64(page_collection* set) {
    reached(emu::kStandInUnlock);
    if (set == kNoLocks) return;
    using Unlock = void (*)(page_collection*);
    static const Unlock unlock = libraryFunction<Unlock>("page_collection_unlock_x86_64");
    if (unlock != nullptr) unlock(set);
}

struct MemTxAttrs {
    unsigned bits;  // a word of bit-fields, passed in one register
};
void tlb_set_dirty_x86_64(void* cpu, uint64_t vaddr);

void tlb_set_page_with_attrs_x86_64(void* cpu, uint64_t vaddr, uint64_t paddr, MemTxAttrs attrs, int prot, int mmuIdx,
                                    uint64_t size) {
    reached(emu::kStandInTlbFill);
    using Fill = void (*)(void*, uint64_t, uint64_t, MemTxAttrs, int, int, uint64_t);
    static const Fill fill = requiredLibraryFunction<Fill>("tlb_set_page_with_attrs_x86_64");
    fill(cpu, vaddr, paddr, attrs, prot, mmuIdx, size);
    if (engaged() && emu::runningMachineHasPlainData(paddr)) tlb_set_dirty_x86_64(cpu, vaddr);
}

// After every run Unicorn drops translated code at the byte before the stop
// address; that byte is never mapped, so the answer is always "no code
// page", and the library would reach it through a TLB fill on every call.
uint64_t get_page_addr_code_hostp_x86_64(void* env, uint64_t addr, void** hostp) {
    reached(emu::kStandInCodeLookup);
    using Lookup = uint64_t (*)(void*, uint64_t, void**);
    static const Lookup lookup = requiredLibraryFunction<Lookup>("get_page_addr_code_hostp_x86_64");
    if (!engaged() || !emu::isByteBeforeStopAddress(addr)) return lookup(env, addr, hostp);
    if (hostp != nullptr) *hostp = nullptr;
    return ~uint64_t{0};
}

}  // extern "C"

namespace emu {
namespace {

// A scratch engine stores one word to a plain data page: the library fills
// the TLB for the code and the data, takes the clean-page path (lock,
// unlock) for the store and looks up the code page when the run ends.
// Returns the stand-ins its calls reached, or 0 if the probe could not run.
unsigned probeLibraryCalls() {
    constexpr uint64_t kCode = 0x10000, kData = 0x20000, kPage = 0x1000;
    constexpr uint32_t kStored = 0x5EC0DE01;
    const uint8_t code[] = {0xA3, 0x00, 0x00, 0x02, 0x00};  // mov [kData], eax
    uc_engine* uc = nullptr;
    if (uc_open(UC_ARCH_X86, UC_MODE_32, &uc) != UC_ERR_OK) return 0;
    uint32_t eax = kStored, seen = 0;
    bool ran = uc_mem_map(uc, kCode, kPage, UC_PROT_READ | UC_PROT_EXEC) == UC_ERR_OK &&
               uc_mem_map(uc, kData, kPage, UC_PROT_READ | UC_PROT_WRITE) == UC_ERR_OK &&
               uc_mem_write(uc, kCode, code, sizeof code) == UC_ERR_OK &&
               uc_reg_write(uc, UC_X86_REG_EAX, &eax) == UC_ERR_OK;
    gReached.store(0);
    ran = ran && uc_emu_start(uc, kCode, kCode + sizeof code, 0, 0) == UC_ERR_OK &&
          uc_mem_read(uc, kData, &seen, sizeof seen) == UC_ERR_OK && seen == kStored;
    uc_close(uc);
    return ran ? gReached.load() : 0;
}

// The library's import slots (GOT entries) for the stand-ins' names, as the
// dynamic linker filled them: every call the library makes through its PLT,
// and every address of them it takes, goes where these point.
struct ImportSlots {
    unsigned standIn;
    const char* name;
    const void* ours;
    bool found = false;
    bool allOurs = true;
};

void readImportSlots(const dl_phdr_info& lib, const ElfW(Rela) * table, size_t bytes, const ElfW(Sym) * symbols,
                     const char* names, ImportSlots* slots, size_t count) {
    for (size_t i = 0; table != nullptr && i < bytes / sizeof(ElfW(Rela)); ++i) {
        const unsigned type = ELF64_R_TYPE(table[i].r_info);
#if defined(__x86_64__)
        if (type != R_X86_64_JUMP_SLOT && type != R_X86_64_GLOB_DAT) continue;
#elif defined(__aarch64__)
        if (type != R_AARCH64_JUMP_SLOT && type != R_AARCH64_GLOB_DAT) continue;
#else
        continue;  // relocations of a host we do not know: nothing proven
#endif
        const char* name = names + symbols[ELF64_R_SYM(table[i].r_info)].st_name;
        for (size_t k = 0; k < count; ++k) {
            if (std::strcmp(name, slots[k].name) != 0) continue;
            const void* target = *reinterpret_cast<void* const*>(lib.dlpi_addr + table[i].r_offset);
            slots[k].found = true;
            slots[k].allOurs = slots[k].allOurs && target == slots[k].ours;
        }
    }
}

struct SlotSearch {
    ImportSlots* slots;
    size_t count;
    bool libraryFound = false;
};

int searchUnicorn(dl_phdr_info* lib, size_t, void* data) {
    auto* search = static_cast<SlotSearch*>(data);
    if (lib->dlpi_name == nullptr || std::strstr(lib->dlpi_name, "libunicorn") == nullptr) return 0;
    const ElfW(Dyn)* dynamic = nullptr;
    for (int i = 0; i < lib->dlpi_phnum; ++i)
        if (lib->dlpi_phdr[i].p_type == PT_DYNAMIC)
            dynamic = reinterpret_cast<const ElfW(Dyn)*>(lib->dlpi_addr + lib->dlpi_phdr[i].p_vaddr);
    if (dynamic == nullptr) return 0;
    // The loader has relocated these addresses in place; an unrelocated one is below the load address.
    auto at = [lib](ElfW(Addr) a) { return a < lib->dlpi_addr ? a + lib->dlpi_addr : a; };
    ElfW(Addr) rela = 0, jmprel = 0, symtab = 0, strtab = 0;
    size_t relaBytes = 0, jmprelBytes = 0;
    for (const ElfW(Dyn)* d = dynamic; d->d_tag != DT_NULL; ++d) {
        switch (d->d_tag) {
            case DT_RELA: rela = at(d->d_un.d_ptr); break;
            case DT_RELASZ: relaBytes = d->d_un.d_val; break;
            case DT_JMPREL: jmprel = at(d->d_un.d_ptr); break;
            case DT_PLTRELSZ: jmprelBytes = d->d_un.d_val; break;
            case DT_SYMTAB: symtab = at(d->d_un.d_ptr); break;
            case DT_STRTAB: strtab = at(d->d_un.d_ptr); break;
            default: break;
        }
    }
    if (symtab == 0 || strtab == 0) return 0;
    const auto* symbols = reinterpret_cast<const ElfW(Sym)*>(symtab);
    const auto* names = reinterpret_cast<const char*>(strtab);
    readImportSlots(*lib, reinterpret_cast<const ElfW(Rela)*>(rela), relaBytes, symbols, names, search->slots, search->count);
    readImportSlots(*lib, reinterpret_cast<const ElfW(Rela)*>(jmprel), jmprelBytes, symbols, names, search->slots,
                    search->count);
    search->libraryFound = true;
    return 1;
}

// The stand-ins that the library imports and whose every import slot holds ours.
unsigned standInsBoundToOurs() {
    ImportSlots slots[] = {
        {kStandInLock, "page_collection_lock_x86_64", reinterpret_cast<const void*>(&page_collection_lock_x86_64)},
        {kStandInUnlock, "page_collection_unlock_x86_64", reinterpret_cast<const void*>(&page_collection_unlock_x86_64)},
        {kStandInTlbFill, "tlb_set_page_with_attrs_x86_64", reinterpret_cast<const void*>(&tlb_set_page_with_attrs_x86_64)},
        {kStandInCodeLookup, "get_page_addr_code_hostp_x86_64",
         reinterpret_cast<const void*>(&get_page_addr_code_hostp_x86_64)},
    };
    SlotSearch search{slots, std::size(slots)};
    dl_iterate_phdr(searchUnicorn, &search);
    unsigned bound = 0;
    for (const ImportSlots& s : slots)
        if (s.found && s.allOurs) bound |= s.standIn;
    return bound;
}

bool engageOnce() {
    const unsigned version = uc_version(nullptr, nullptr) >> 8;
    const bool madeFor = version == kStubbedTrackingVersion;
    // The probe first: it also makes a lazily bound library fill the slots it uses.
    const unsigned reachedStandIns = madeFor ? probeLibraryCalls() : 0;
    const unsigned boundStandIns = madeFor ? standInsBoundToOurs() : 0;
    const std::string refusal = storePathRefusal(version, reachedStandIns, boundStandIns);
    if (!refusal.empty()) {
        std::fprintf(stderr, "kinemo: guest stores take Unicorn's slow path: %s\n", refusal.c_str());
        return false;
    }
    gEngaged.store(true);
    return true;
}

}  // namespace

std::string storePathRefusal(unsigned version, unsigned reachedStandIns, unsigned boundStandIns) {
    auto dotted = [](unsigned v) {
        return std::to_string(v >> 16) + "." + std::to_string((v >> 8) & 0xFF) + "." + std::to_string(v & 0xFF);
    };
    if (version != kStubbedTrackingVersion)
        return "the short path is made for Unicorn " + dotted(kStubbedTrackingVersion) + ", this is " + dotted(version);
    if (reachedStandIns == 0) return "the probe of Unicorn's calls did not run";
    const struct {
        unsigned bit;
        const char* name;
    } standIns[] = {
        {kStandInLock, "page_collection_lock_x86_64"},
        {kStandInUnlock, "page_collection_unlock_x86_64"},
        {kStandInTlbFill, "tlb_set_page_with_attrs_x86_64"},
        {kStandInCodeLookup, "get_page_addr_code_hostp_x86_64"},
    };
    auto listOf = [&](unsigned present) {
        std::string list;
        for (const auto& s : standIns)
            if ((present & s.bit) == 0) list += (list.empty() ? "" : ", ") + std::string(s.name);
        return list;
    };
    if (const std::string missed = listOf(reachedStandIns); !missed.empty())
        return "the library's own calls of " + missed + " do not reach the executable's (linked -Bsymbolic or with LTO?)";
    if (const std::string unbound = listOf(boundStandIns); !unbound.empty())
        return "the library's import slots for " + unbound + " do not all hold the executable's";
    return "";
}

bool storesTakeShortPaths() {
    static const bool engagedHere = engageOnce();
    return engagedHere;
}

void requireHookSeesEveryStore(int hookType) {
    if ((hookType & UC_HOOK_MEM_WRITE) != 0 && storesTakeShortPaths())
        throw EmuError("a memory write hook while Unicorn's short store path is engaged: stores to plain data "
                       "skip the library's store checks, so a hook on them is not guaranteed to run");
}

}  // namespace emu
