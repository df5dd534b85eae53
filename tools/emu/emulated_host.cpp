#include "emu/emulated_host.h"

#include <algorithm>
#include <cstring>

#include "standins/handle_cast.h"
#include "standins/resource_table.h"

namespace emu {
namespace {

constexpr uint32_t kPage = 0x1000;
constexpr uint32_t kAttach = 1;

uint32_t sectionPerms(uint32_t characteristics) {
    return ((characteristics & pe::kSectionRead) ? kPermRead : 0) | ((characteristics & pe::kSectionWrite) ? kPermWrite : 0) |
           ((characteristics & pe::kSectionExecute) ? kPermExec : 0);
}

std::string importLabel(const pe::ImportedDll& dll, const pe::Import& imp) {
    return dll.name + (imp.byOrdinal ? "#" + std::to_string(imp.ordinal) : "!" + imp.name);
}

}  // namespace

EmulatedHost::EmulatedHost(const std::string& dllPath, const LoadOptions& options) : image_(pe::loadImage(dllPath)) {
    if (!image_.isDll()) throw EmuError(dllPath + ": not a DLL (characteristics " + hex(image_.characteristics) + ")");
    base_ = options.base.value_or(image_.imageBase);
    if (base_ % kPage != 0) throw EmuError(dllPath + ": load base " + hex(base_) + " is not page-aligned");
    if (options.blockBudget) machine_.setBlockBudget(*options.blockBudget);
    machine_.setAddressNamer([this](uint32_t addr) { return nameAddress(addr); });

    mapImage();
    services_ = std::make_unique<GuestServices>(GuestServices{machine_, base_, {}, {}, {}, options.orvexImageBytes, {}});
    bindImports(options);
    platform::registerModuleResources(standin::handleOf<HINSTANCE>(base_), image_.resources);

    const uint32_t args[] = {base_, kAttach, 0};
    const uint32_t result = machine_.call(base_ + image_.entryRva, args, "attach notification");
    if (result != 1) throw EmuError(dllPath + ": attach notification returned " + std::to_string(result) + ", expected 1");
}

void EmulatedHost::mapImage() {
    uint8_t* host = machine_.map(base_, image_.sizeOfImage, kPermRead | kPermWrite | kPermExec);
    std::memcpy(host, image_.mapped.data(), image_.mapped.size());
    const uint32_t delta = base_ - image_.imageBase;
    if (delta != 0) {
        if (image_.relocations.empty() && image_.directories[pe::kDirBaseReloc].rva == 0)
            throw EmuError(image_.source + ": no base relocations, cannot load away from " + hex(image_.imageBase));
        for (const pe::Relocation& r : image_.relocations) {
            uint32_t v;
            std::memcpy(&v, host + r.rva, 4);
            v += delta;
            std::memcpy(host + r.rva, &v, 4);
        }
    }
    // Page protections as the sections ask, so writes to constants fault.
    if (image_.sectionAlignment % kPage != 0) return;
    machine_.protect(base_, std::max(image_.sizeOfHeaders, 1u), kPermRead);
    for (const pe::Section& s : image_.sections) {
        const uint32_t size = std::max(s.virtualSize, s.rawSize);
        if (size != 0) machine_.protect(base_ + s.virtualAddress, size, sectionPerms(s.characteristics));
    }
}

void EmulatedHost::bindImports(const LoadOptions& options) {
    for (const pe::ImportedDll& dll : image_.imports) {
        for (const pe::Import& imp : dll.entries) {
            const std::string label = importLabel(dll, imp);
            const ServedImport* row = findServedImport(dll.name, imp.byOrdinal ? std::string_view() : imp.name, imp.ordinal);
            uint32_t thunk;
            if (row != nullptr) {
                GuestServices* services = services_.get();
                ImportHandler handler = row->handler;
                const bool orvexFunction = isOrvexFunction(*row);
                const Convention convention = orvexFunction ? options.orvexFunctions : row->convention;
                const int slots = row->argSlots + (orvexFunction ? options.orvexExtraSlotsRemoved : 0);
                const Reentry reentry = runsGuestCode(*row) ? Reentry::MayRunGuest : Reentry::Never;
                thunk = machine_.addThunk(label, slots, convention, row->result,
                                          [services, handler](ThunkCall& c) { handler(*services, c); }, reentry);
            } else {
                unserved_.push_back(label);
                thunk = machine_.addThunk(label, 0, Convention::Cdecl, ResultIn::Eax, [label](ThunkCall& c) {
                    throw EmuError("call to an import that is not served: " + label + " from " +
                                   c.machine.describe(c.returnAddress()));
                });
            }
            // The import table may sit in a read-only page; the loader writes it anyway.
            std::memcpy(machine_.bytes(base_ + imp.iatRva, 4), &thunk, 4);
        }
    }
}

std::string EmulatedHost::nameAddress(uint32_t addr) const {
    if (addr < base_ || addr - base_ >= image_.sizeOfImage) return {};
    const uint32_t rva = addr - base_;
    // The nearest export at or below the address names the function.
    std::string best;
    uint32_t bestRva = 0;
    for (const auto& [name, ordinal] : image_.exports.names) {
        const uint32_t r = image_.exports.rvaOf(ordinal);
        if (r != 0 && r <= rva && r >= bestRva) {
            best = name;
            bestRva = r;
        }
    }
    const std::string module = image_.exports.dllName.empty() ? "module" : image_.exports.dllName;
    std::string out = module + "+" + hex(rva);
    if (!best.empty()) out += ", " + best + "+" + hex(rva - bestRva);
    return out;
}

uint32_t EmulatedHost::exportAddress(uint16_t ordinal) const {
    const uint32_t rva = image_.exports.rvaOf(ordinal);
    if (rva == 0) throw EmuError(image_.source + ": no export at ordinal " + std::to_string(ordinal));
    return base_ + rva;
}

uint32_t EmulatedHost::exportAddress(std::string_view name) const {
    auto it = image_.exports.names.find(std::string(name));
    if (it == image_.exports.names.end()) throw EmuError(image_.source + ": no export named " + std::string(name));
    return exportAddress(it->second);
}

uint32_t EmulatedHost::callExport(std::string_view name, std::span<const uint32_t> args, std::optional<int> declaredSlots) {
    return machine_.call(Machine::Call{exportAddress(name), args, std::string(name), std::nullopt, declaredSlots});
}

}  // namespace emu
