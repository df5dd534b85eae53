// kinemo.qlm (or any PE32 DLL) loaded into a guest machine the way Windows
// loads it: sections mapped, base relocations applied when it lands away
// from its preferred base, imports bound to served handlers by name and by
// ordinal (unserved ones to a thunk that reports the call), the resources
// registered with the stand-ins, then the attach notification.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "emu/guest_machine.h"
#include "emu/served_imports.h"
#include "pe/pe_image.h"

namespace emu {

struct LoadOptions {
    std::optional<uint32_t> base;  // default: the image's preferred base
    std::optional<uint64_t> blockBudget;
    // ORVEX32 leaves open who removes the arguments of its free functions
    // (the dialog and the drawing target) and how large its image object is.
    Convention orvexFunctions = Convention::Stdcall;
    int orvexExtraSlotsRemoved = 0;  // beyond their arguments, by the free functions
    uint32_t orvexImageBytes = 0;  // bytes image set-up writes into the object; 0: none
};

class EmulatedHost {
public:
    explicit EmulatedHost(const std::string& dllPath, const LoadOptions& options = {});

    Machine& machine() { return machine_; }
    const pe::Image& image() const { return image_; }
    uint32_t base() const { return base_; }
    bool relocated() const { return base_ != image_.imageBase; }
    // Imports bound to the reporting thunk, as "DLL!name" or "DLL#ordinal".
    const std::vector<std::string>& unservedImports() const { return unserved_; }

    // Address of an exported ordinal or name; throws when absent or empty.
    uint32_t exportAddress(uint16_t ordinal) const;
    uint32_t exportAddress(std::string_view name) const;

    // Calls an export by name, checking that it removes `declaredSlots`
    // slots (default: as many as passed).
    uint32_t callExport(std::string_view name, std::span<const uint32_t> args, std::optional<int> declaredSlots = {});

private:
    void mapImage();
    void bindImports(const LoadOptions& options);
    std::string nameAddress(uint32_t addr) const;

    Machine machine_;
    pe::Image image_;
    uint32_t base_ = 0;
    std::unique_ptr<GuestServices> services_;
    std::vector<std::string> unserved_;
};

}  // namespace emu
