#include "emu/guest_machine.h"

#include <unicorn/unicorn.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <utility>

namespace emu {
namespace {

// Guest address space. Page 0 stays unmapped so null pointers fault.
constexpr uint32_t kGdtAddr = 0x00020000;
constexpr uint32_t kTebAddr = 0x00021000;
constexpr uint32_t kThunkCode = 0x00030000;  // slot 0: the stop address calls return to
constexpr uint32_t kThunkCodeSize = 0x10000;
constexpr uint32_t kThunkData = 0x00040000;  // 8 bytes per thunk: double results
constexpr uint32_t kThunkSlot = 16;
constexpr uint32_t kMaxThunks = kThunkCodeSize / kThunkSlot - 1;
constexpr uint32_t kStopAddr = kThunkCode;
// Entries of thunks whose handlers never run guest code: a code hook serves
// them, cheaper than an interrupt, then they jump into their slot past its int.
constexpr uint32_t kLeafEntries = 0x00050000;
constexpr uint32_t kStackBase = 0x00100000;
constexpr uint32_t kStackSize = 0x00100000;
// Room above the first frame stands for the host's own frames, which a
// module that overruns its stack frame would corrupt on Windows.
constexpr uint32_t kStackTop = kStackBase + kStackSize - 0x4000;
constexpr uint32_t kHeapBase = 0x01000000;
constexpr uint32_t kHeapLimit = 0x30000000;
constexpr uint32_t kHeapChunk = 0x00100000;
constexpr uint32_t kPage = 0x1000;
constexpr int kMaxDepth = 16;
constexpr uint64_t kDefaultBudget = 2'000'000;
constexpr uint8_t kThunkInterrupt = 0x80;

constexpr uint32_t kChainEnd = 0xFFFFFFFF;
constexpr uint16_t kSelCode = 0x08, kSelData = 0x10, kSelTeb = 0x18;

uint64_t descriptor(uint32_t base, uint32_t limit, uint8_t access, uint8_t flags) {
    return (limit & 0xFFFFull) | (uint64_t(base & 0xFFFFFF) << 16) | (uint64_t(access) << 40) |
           (uint64_t((limit >> 16) & 0xF) << 48) | (uint64_t(flags & 0xF) << 52) | (uint64_t(base >> 24) << 56);
}

uint32_t roundUp(uint32_t v, uint32_t to) { return (v + to - 1) & ~(to - 1); }

// Where the arguments of a call end, at or below `limit`: placed so that the
// callee starts with ESP 4 above a 16-byte boundary. Windows promises only
// 4-byte alignment: code that assumes 16 (ESP 4 below a boundary on entry)
// finds its aligned SSE slots 8 off and faults, as it would there. Its
// 8-byte stores still land 8-aligned, which the emulator's store path does
// in one piece instead of byte by byte.
uint32_t frameBelow(uint32_t limit, size_t argCount) {
    const uint32_t offset = uint32_t(4 * argCount + 8) % 16;
    return ((limit - offset) & ~15u) + offset;
}

void check(uc_err err, const char* what) {
    if (err != UC_ERR_OK) throw EmuError(std::string(what) + ": " + uc_strerror(err));
}

int ucPerms(uint32_t perms) {
    return ((perms & kPermRead) ? UC_PROT_READ : 0) | ((perms & kPermWrite) ? UC_PROT_WRITE : 0) |
           ((perms & kPermExec) ? UC_PROT_EXEC : 0);
}

// The same kind of error with the caller's context in front.
[[noreturn]] void rethrowWithContext(const EmuError& e, const std::string& context) {
    if (dynamic_cast<const FpStateError*>(&e) != nullptr) throw FpStateError(context + ": " + e.what());
    throw EmuError(context + ": " + e.what());
}

}  // namespace

std::string hex(uint64_t v) {
    std::ostringstream s;
    s << "0x" << std::hex << v;
    return s.str();
}

std::string describe(FpControl fp) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "x87 control 0x%04x, MXCSR 0x%04x", unsigned(fp.x87), unsigned(fp.mxcsr));
    return buf;
}

struct Hooks {
    static void block(uc_engine*, uint64_t address, uint32_t, void* user) {
        auto* m = static_cast<Machine*>(user);
        if (m->depth_ == 0) return;
        if (m->blocksLeft_ > 0) {
            --m->blocksLeft_;
            return;
        }
        m->fail("block budget of " + std::to_string(m->budget_) + " exhausted at " + m->describe(uint32_t(address)) +
                " (endless loop?)");
    }
    static void interrupt(uc_engine*, uint32_t intno, void* user) {
        auto* m = static_cast<Machine*>(user);
        const uint32_t eip = m->reg(UC_X86_REG_EIP);
        if (intno != kThunkInterrupt) return m->fail("CPU exception " + std::to_string(intno) + " at " + m->describe(eip));
        const uint32_t offset = eip - 2 - kThunkCode;
        if (eip < kThunkCode + 2 || offset % kThunkSlot != 0 || offset / kThunkSlot == 0 || offset / kThunkSlot > m->thunks_.size())
            return m->fail("interrupt 0x80 outside a thunk at " + m->describe(eip - 2));
        m->onThunk(offset / kThunkSlot - 1);
    }
    static void leafEntry(uc_engine*, uint64_t address, uint32_t, void* user) {
        auto* m = static_cast<Machine*>(user);
        const uint32_t offset = uint32_t(address) - kLeafEntries;
        // Only the entries are hooked code; anything else here is not a thunk.
        if (offset % kThunkSlot != 0 || offset / kThunkSlot == 0 || offset / kThunkSlot > m->thunks_.size())
            return m->fail("execution inside the thunk area at " + m->describe(uint32_t(address)));
        m->leafHandlerRunning_ = true;
        m->onThunk(offset / kThunkSlot - 1);
        m->leafHandlerRunning_ = false;
    }
    static bool invalid(uc_engine*, uc_mem_type type, uint64_t address, int size, int64_t, void* user) {
        auto* m = static_cast<Machine*>(user);
        const char* kind = "access to";
        switch (type) {
            case UC_MEM_READ_UNMAPPED: kind = "read from unmapped"; break;
            case UC_MEM_WRITE_UNMAPPED: kind = "write to unmapped"; break;
            case UC_MEM_FETCH_UNMAPPED: kind = "execution of unmapped"; break;
            case UC_MEM_WRITE_PROT: kind = "write to read-only"; break;
            case UC_MEM_READ_PROT: kind = "read from protected"; break;
            case UC_MEM_FETCH_PROT: kind = "execution of non-executable"; break;
            default: break;
        }
        m->fail(std::string("memory fault: ") + kind + " address " + hex(address) + " (" + std::to_string(size) +
                " bytes) at " + m->describe(m->reg(UC_X86_REG_EIP)));
        return false;
    }
};

uint32_t ThunkCall::arg(int slot) const { return machine.read32(esp + 4 + 4 * uint32_t(slot)); }

uint32_t ThunkCall::returnAddress() const { return machine.read32(esp); }

Machine::Machine() : budget_(kDefaultBudget) {
    // Decided before the first engine of ours exists, once per process.
    storesTakeShortPaths();
    check(uc_open(UC_ARCH_X86, UC_MODE_32, &uc_), "uc_open");
    try {
        stack_ = map(kStackBase, kStackSize, kPermRead | kPermWrite);
        setUpSegments();
        setUpThunkArea();
        addHooks();
    } catch (...) {
        uc_close(uc_);
        throw;
    }
}

Machine::~Machine() {
    if (uc_ != nullptr) uc_close(uc_);
}

uint8_t* Machine::map(uint32_t addr, uint32_t size, uint32_t perms) {
    size = roundUp(size == 0 ? 1 : size, kPage);
    if (addr % kPage != 0) throw EmuError("map: address " + hex(addr) + " is not page-aligned");
    if (kStopAddr - 1 - addr < size) throw EmuError("map: " + hex(kStopAddr - kPage) + " stays unmapped, below the stop address");
    void* host = std::aligned_alloc(kPage, size);
    if (host == nullptr) throw EmuError("map: out of host memory for " + std::to_string(size) + " bytes");
    std::memset(host, 0, size);
    owned_.emplace_back(static_cast<uint8_t*>(host), std::free);
    const uc_err err = uc_mem_map_ptr(uc_, addr, size, ucPerms(perms), host);
    if (err != UC_ERR_OK) throw EmuError("map " + hex(addr) + " (" + hex(size) + " bytes): " + uc_strerror(err));
    regions_.push_back({addr, size, static_cast<uint8_t*>(host)});
    perms_.push_back({addr, size, perms});
    return static_cast<uint8_t*>(host);
}

// Stores to plain data skip Unicorn's permission checks once their page is
// in its TLB (see unicorn_store_path.cpp), so permissions are settled before
// the guest first runs, as an image loader settles its sections.
void Machine::protect(uint32_t addr, uint32_t size, uint32_t perms) {
    if (hasRun_) throw EmuError("protect " + hex(addr) + ": page permissions are fixed once the guest has run");
    check(uc_mem_protect(uc_, addr, roundUp(size, kPage), ucPerms(perms)), "uc_mem_protect");
    perms_.push_back({addr, roundUp(size, kPage), perms});
}

uint32_t Machine::permsAt(uint32_t addr) const {
    for (auto it = perms_.rbegin(); it != perms_.rend(); ++it)
        if (addr >= it->base && addr - it->base < it->size) return it->perms;
    return 0;
}

namespace {
thread_local Machine* tRunning = nullptr;  // the machine inside uc_emu_start on this thread
}

bool isByteBeforeStopAddress(uint64_t addr) { return addr == kStopAddr - 1; }

bool runningMachineHasPlainData(uint64_t addr) {
    return tRunning != nullptr && addr <= UINT32_MAX && tRunning->permsAt(uint32_t(addr)) == (kPermRead | kPermWrite);
}

Machine::Region* Machine::regionAt(uint32_t addr, uint32_t len) {
    auto fits = [&](const Region& r) { return addr >= r.base && addr - r.base < r.size && len <= r.size - (addr - r.base); };
    if (lastRegion_ < regions_.size() && fits(regions_[lastRegion_])) return &regions_[lastRegion_];
    for (size_t i = 0; i < regions_.size(); ++i) {
        if (!fits(regions_[i])) continue;
        lastRegion_ = i;
        return &regions_[i];
    }
    return nullptr;
}

uint8_t* Machine::bytes(uint32_t addr, uint32_t len) {
    Region* r = regionAt(addr, len);
    return r == nullptr ? nullptr : r->host + (addr - r->base);
}

uint32_t Machine::alloc(uint32_t size, uint32_t align) {
    uint32_t at = roundUp(heapNext_, align);
    if (heapNext_ == 0 || uint64_t(at) + size > heapEnd_) {
        const uint32_t start = heapEnd_ == 0 ? kHeapBase : heapEnd_;
        const uint32_t chunk = std::max(kHeapChunk, roundUp(size, kPage));
        if (uint64_t(start) + chunk > kHeapLimit) throw EmuError("guest heap exhausted allocating " + std::to_string(size) + " bytes");
        map(start, chunk, kPermRead | kPermWrite);
        heapEnd_ = start + chunk;
        at = start;
    }
    heapNext_ = at + (size == 0 ? 1 : size);
    return at;
}

uint32_t Machine::read32(uint32_t addr) {
    // Most reads are a thunk's arguments: the stack first.
    const uint8_t* p = addr - kStackBase <= kStackSize - 4 ? stack_ + (addr - kStackBase) : bytes(addr, 4);
    if (p == nullptr) throw EmuError("read of unmapped guest address " + hex(addr));
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void Machine::write32(uint32_t addr, uint32_t value) {
    uint8_t* p = bytes(addr, 4);
    if (p == nullptr) throw EmuError("write to unmapped guest address " + hex(addr));
    std::memcpy(p, &value, 4);
}

void Machine::writeBytes(uint32_t addr, std::span<const uint8_t> data) {
    if (data.empty()) return;
    uint8_t* p = bytes(addr, uint32_t(data.size()));
    if (p == nullptr) throw EmuError("write of " + std::to_string(data.size()) + " bytes to unmapped guest address " + hex(addr));
    std::memcpy(p, data.data(), data.size());
}

std::string Machine::readString(uint32_t addr, uint32_t limit) {
    std::string out;
    for (uint32_t i = 0; i < limit; ++i) {
        const uint8_t* p = bytes(addr + i);
        if (p == nullptr) throw EmuError("string at " + hex(addr) + " runs into unmapped memory");
        if (*p == 0) return out;
        out += char(*p);
    }
    throw EmuError("string at " + hex(addr) + " is longer than " + std::to_string(limit) + " bytes");
}

uint32_t Machine::reg(int id) {
    uint32_t v = 0;
    uc_reg_read(uc_, id, &v);
    return v;
}

void Machine::setReg(int id, uint32_t value) { uc_reg_write(uc_, id, &value); }

FpControl Machine::fpControl() {
    FpControl fp;
    uc_reg_read(uc_, UC_X86_REG_FPCW, &fp.x87);
    uc_reg_read(uc_, UC_X86_REG_MXCSR, &fp.mxcsr);
    return fp;
}

void Machine::setFpControl(FpControl fp) {
    check(uc_reg_write(uc_, UC_X86_REG_FPCW, &fp.x87), "FPCW");
    check(uc_reg_write(uc_, UC_X86_REG_MXCSR, &fp.mxcsr), "MXCSR");
}

void Machine::raiseX87Flags(uint16_t flags) {
    uint16_t status = 0;
    uc_reg_read(uc_, UC_X86_REG_FPSW, &status);
    status |= flags & 0x3F;
    check(uc_reg_write(uc_, UC_X86_REG_FPSW, &status), "FPSW");
}

bool Machine::x87ExceptionPending() {
    uint16_t status = 0, control = 0;
    uc_reg_read(uc_, UC_X86_REG_FPSW, &status);
    uc_reg_read(uc_, UC_X86_REG_FPCW, &control);
    return (status & ~control & 0x3F) != 0;
}

// A host that unmasks x87 exceptions runs with its flags clear; what an
// earlier call left (its stack top aside) goes before the host's state.
void Machine::loadHostFpState() {
    uint16_t status = 0;
    uc_reg_read(uc_, UC_X86_REG_FPSW, &status);
    status &= 0x3800;  // TOP
    check(uc_reg_write(uc_, UC_X86_REG_FPSW, &status), "FPSW");
    setFpControl(hostFp_);
}

uint32_t Machine::threadBlock() const { return kTebAddr; }

std::string Machine::describe(uint32_t addr) const {
    std::string named = namer_ ? namer_(addr) : std::string();
    return named.empty() ? hex(addr) : hex(addr) + " (" + named + ")";
}

void Machine::setUpSegments() {
    // Windows code reaches its thread block through FS; Unicorn needs a GDT
    // for that, and then every segment must be reloaded as flat 32-bit.
    uint8_t* gdt = map(kGdtAddr, kPage, kPermRead | kPermWrite);
    uint8_t* teb = teb_ = map(kTebAddr, kPage, kPermRead | kPermWrite);
    const uint64_t entries[] = {
        0,
        descriptor(0, 0xFFFFF, 0x9B, 0xC),        // code, ring 0, 4 GiB
        descriptor(0, 0xFFFFF, 0x93, 0xC),        // data, ring 0, 4 GiB
        descriptor(kTebAddr, 0xFFF, 0x93, 0x4),   // thread block
    };
    std::memcpy(gdt, entries, sizeof entries);
    const uint32_t tebFields[][2] = {
        {0x00, kChainEnd},  // exception chain: empty
        {0x04, kStackBase + kStackSize},
        {0x08, kStackBase},
        {0x18, kTebAddr},    // self
    };
    for (auto [offset, value] : tebFields) std::memcpy(teb + offset, &value, 4);

    uc_x86_mmr gdtr{};
    gdtr.base = kGdtAddr;
    gdtr.limit = sizeof entries - 1;
    check(uc_reg_write(uc_, UC_X86_REG_GDTR, &gdtr), "GDTR");
    const std::pair<int, uint32_t> segments[] = {
        {UC_X86_REG_SS, kSelData}, {UC_X86_REG_DS, kSelData}, {UC_X86_REG_ES, kSelData},
        {UC_X86_REG_GS, kSelData}, {UC_X86_REG_FS, kSelTeb},  {UC_X86_REG_CS, kSelCode},
    };
    for (auto [id, sel] : segments) check(uc_reg_write(uc_, id, &sel), "segment register");

    uint32_t cr4 = reg(UC_X86_REG_CR4);
    cr4 |= 0x600;  // OSFXSR | OSXMMEXCPT: SSE instructions allowed
    check(uc_reg_write(uc_, UC_X86_REG_CR4, &cr4), "CR4");
    setFpControl(hostFp_);
}

void Machine::setUpThunkArea() {
    uint8_t* code = map(kThunkCode, kThunkCodeSize, kPermRead | kPermExec);
    map(kLeafEntries, kThunkCodeSize, kPermRead | kPermExec);
    map(kThunkData, (kMaxThunks + 1) * 8, kPermRead | kPermWrite);
    code[0] = 0xF4;  // hlt: calls return here and the run stops before it executes
}

void Machine::addHooks() {
    // All hooks go in before the first run so every translated block has them.
    addHook(UC_HOOK_BLOCK, reinterpret_cast<void*>(&Hooks::block), 1, 0, "block hook");
    addHook(UC_HOOK_INTR, reinterpret_cast<void*>(&Hooks::interrupt), 1, 0, "interrupt hook");
    addHook(UC_HOOK_CODE, reinterpret_cast<void*>(&Hooks::leafEntry), kLeafEntries, kLeafEntries + kThunkCodeSize - 1,
            "thunk entry hook");
    addHook(UC_HOOK_MEM_INVALID, reinterpret_cast<void*>(&Hooks::invalid), 1, 0, "memory hook");
}

// Every hook goes through here, so none that the store short path would
// pass by is ever added while it is engaged.
void Machine::addHook(int type, void* callback, uint64_t begin, uint64_t end, const char* what) {
    requireHookSeesEveryStore(type);
    uc_hook h;
    check(uc_hook_add(uc_, &h, type, callback, this, begin, end), what);
}

uint32_t Machine::addThunk(std::string name, int argSlots, Convention convention, ResultIn result, ThunkHandler handler,
                           Reentry reentry) {
    if (thunks_.size() >= kMaxThunks) throw EmuError("too many thunks (" + std::to_string(kMaxThunks) + ")");
    const uint32_t index = uint32_t(thunks_.size());
    const uint32_t addr = kThunkCode + kThunkSlot * (index + 1);
    uint8_t* p = bytes(addr, kThunkSlot);
    size_t n = 0;
    p[n++] = 0xCD;  // int 0x80: the host handler runs here
    p[n++] = kThunkInterrupt;
    if (result == ResultIn::St0) {
        const uint32_t slot = kThunkData + 8 * index;
        p[n++] = 0xDD;  // fld qword [slot]
        p[n++] = 0x05;
        std::memcpy(p + n, &slot, 4);
        n += 4;
    }
    const uint16_t removes = convention == Convention::Cdecl ? 0 : uint16_t(4 * argSlots);
    if (removes == 0) {
        p[n++] = 0xC3;
    } else {
        p[n++] = 0xC2;
        std::memcpy(p + n, &removes, 2);
    }
    thunks_.push_back({std::move(name), argSlots, convention, result, std::move(handler)});
    if (reentry == Reentry::MayRunGuest) return addr;
    const uint32_t entry = kLeafEntries + kThunkSlot * (index + 1);
    const uint32_t pastInt = addr + 2 - (entry + 5);
    uint8_t* e = bytes(entry, kThunkSlot);
    e[0] = 0xE9;  // jmp rel32
    std::memcpy(e + 1, &pastInt, 4);
    return entry;
}

void Machine::onThunk(uint32_t index) {
    const Thunk& t = thunks_[index];
    ThunkCall tc{*this, reg(UC_X86_REG_ESP), reg(UC_X86_REG_ECX)};
    try {
        t.handler(tc);
    } catch (const EmuError& e) {
        try {
            rethrowWithContext(e, t.name);
        } catch (...) {
            return failWith(std::current_exception());
        }
    } catch (...) {
        return failWith(std::current_exception());
    }
    if (t.result == ResultIn::St0) {
        std::memcpy(bytes(kThunkData + 8 * index, 8), &tc.st0, 8);
    } else {
        setReg(UC_X86_REG_EAX, tc.eax);
    }
}

void Machine::fail(const std::string& message) { failWith(std::make_exception_ptr(EmuError(message))); }

void Machine::failWith(std::exception_ptr error) {
    if (!error_) error_ = std::move(error);
    uc_emu_stop(uc_);
}

uint32_t Machine::call(const Call& c) {
    if (depth_ >= kMaxDepth) throw EmuError(c.what + ": guest calls nested deeper than " + std::to_string(kMaxDepth));
    if (leafHandlerRunning_) throw EmuError(c.what + ": called from a thunk declared never to run guest code");
    const bool nested = depth_ > 0;

    // A nested run (from inside a handler) must leave the interrupted run's
    // registers exactly as they were, except the floating-point control
    // words: the CPU has one set, and what the nested code left stays.
    struct SavedContext {
        Machine& m;
        uc_context* ctx = nullptr;
        ~SavedContext() {
            if (ctx == nullptr) return;
            const FpControl left = m.fpControl();
            uc_context_restore(m.uc_, ctx);
            uc_context_free(ctx);
            uc_reg_write(m.uc_, UC_X86_REG_FPCW, &left.x87);
            uc_reg_write(m.uc_, UC_X86_REG_MXCSR, &left.mxcsr);
        }
    } saved{*this};
    if (nested) {
        check(uc_context_alloc(uc_, &saved.ctx), "uc_context_alloc");
        check(uc_context_save(uc_, saved.ctx), "uc_context_save");
    } else {
        blocksLeft_ = budget_;
        error_ = nullptr;
        std::memcpy(teb_, &kChainEnd, 4);
        // The control words are still the host's after a call that passed
        // the check below (sticky flags aside, which the host's may carry too).
        if (!hostFpLoaded_) loadHostFpState();
        hostFpLoaded_ = false;
    }

    const uint32_t espBefore = frameBelow(nested ? reg(UC_X86_REG_ESP) - 64 : kStackTop, c.args.size());
    const uint32_t esp = espBefore - 4 * uint32_t(c.args.size() + 1);
    if (esp < kStackBase || espBefore > kStackBase + kStackSize)
        throw EmuError(c.what + ": no room on the guest stack for the call");
    uint8_t* frame = stack_ + (esp - kStackBase);
    std::memcpy(frame, &kStopAddr, 4);
    if (!c.args.empty()) std::memcpy(frame + 4, c.args.data(), 4 * c.args.size());
    setReg(UC_X86_REG_ESP, esp);
    if (c.ecx) setReg(UC_X86_REG_ECX, *c.ecx);

    ++depth_;
    hasRun_ = true;
    Machine* const outer = std::exchange(tRunning, this);
    const uc_err err = uc_emu_start(uc_, c.address, kStopAddr, 0, 0);
    tRunning = outer;
    --depth_;

    if (error_) {
        std::exception_ptr e = std::exchange(error_, nullptr);
        try {
            std::rethrow_exception(e);
        } catch (const EmuError& inner) {
            rethrowWithContext(inner, c.what);
        }
    }
    uint32_t eip = 0, espAfter = 0, eax = 0;
    FpControl left;
    int ids[] = {UC_X86_REG_EIP, UC_X86_REG_ESP, UC_X86_REG_EAX, UC_X86_REG_FPCW, UC_X86_REG_MXCSR};
    void* values[] = {&eip, &espAfter, &eax, &left.x87, &left.mxcsr};
    uc_reg_read_batch(uc_, ids, values, 5);
    if (err != UC_ERR_OK) throw EmuError(c.what + ": " + uc_strerror(err) + " at " + describe(eip));
    if (eip != kStopAddr) throw EmuError(c.what + ": run stopped at " + describe(eip) + " before returning");

    const int64_t removed = int64_t(espAfter) - (int64_t(espBefore) - 4 * int64_t(c.args.size()));
    const int64_t expected = 4 * int64_t(c.declaredSlots.value_or(int(c.args.size())));
    if (removed != expected)
        throw EmuError(c.what + ": the callee removed " + std::to_string(removed) + " bytes of arguments, expected " +
                       std::to_string(expected));
    if (!nested) {
        if (!sameControl(left, hostFp_))
            throw FpStateError(c.what + ": returned with " + emu::describe(left) + ", called with " + emu::describe(hostFp_));
        if (x87ExceptionPending()) throw FpStateError(c.what + ": returned with an unmasked x87 exception pending");
        hostFpLoaded_ = true;
    }
    return eax;
}

}  // namespace emu
