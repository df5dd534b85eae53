#include "driver/dll_file_facts.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

namespace kdrv {
namespace {

constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kImportDirectory = 1;
constexpr size_t kSectionHeaderBytes = 40;
constexpr size_t kImportDescriptorBytes = 20;
constexpr size_t kMaxImportedDlls = 4096;

struct Reader {
    std::span<const uint8_t> bytes;
    bool ok = true;

    uint32_t at(size_t offset, size_t width) {
        if (offset > bytes.size() || bytes.size() - offset < width) {
            ok = false;
            return 0;
        }
        uint32_t value = 0;
        for (size_t i = 0; i < width; ++i) value |= uint32_t{bytes[offset + i]} << (8 * i);
        return value;
    }
    uint16_t u16(size_t offset) { return static_cast<uint16_t>(at(offset, 2)); }
    uint32_t u32(size_t offset) { return at(offset, 4); }
};

struct SectionMap {
    uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

std::optional<size_t> fileOffset(const std::vector<SectionMap>& sections, uint32_t rva) {
    for (const SectionMap& s : sections) {
        const uint32_t size = s.virtualSize != 0 ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva - s.virtualAddress < size && rva - s.virtualAddress < s.rawSize)
            return size_t{s.rawOffset} + (rva - s.virtualAddress);
    }
    return std::nullopt;
}

std::optional<std::string> cString(std::span<const uint8_t> bytes, size_t offset) {
    if (offset >= bytes.size()) return std::nullopt;
    const auto* start = bytes.data() + offset;
    const void* end = std::memchr(start, 0, bytes.size() - offset);
    if (end == nullptr) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(start), static_cast<const uint8_t*>(end) - start);
}

}  // namespace

std::optional<DllFileFacts> readDllFileFacts(std::span<const uint8_t> file) {
    Reader r{file};
    if (r.u16(0) != 0x5A4D) return std::nullopt;  // "MZ"
    const size_t pe = r.u32(0x3C);
    if (!r.ok || r.u32(pe) != 0x00004550) return std::nullopt;  // "PE\0\0"
    DllFileFacts facts;
    facts.machine = r.u16(pe + 4);
    const uint16_t sectionCount = r.u16(pe + 6);
    const size_t optional = pe + 24;
    const size_t sectionTable = optional + r.u16(pe + 20);
    const uint16_t magic = r.u16(optional);
    if (!r.ok || (magic != kMagicPe32 && magic != kMagicPe32Plus)) return std::nullopt;
    const size_t directories = optional + (magic == kMagicPe32 ? 96 : 112);
    const uint32_t directoryCount = r.u32(directories - 4);
    std::vector<SectionMap> sections;
    for (size_t i = 0; i < sectionCount; ++i) {
        const size_t h = sectionTable + i * kSectionHeaderBytes;
        sections.push_back({r.u32(h + 12), r.u32(h + 8), r.u32(h + 20), r.u32(h + 16)});
    }
    if (!r.ok) return std::nullopt;
    if (directoryCount <= kImportDirectory) return facts;
    const uint32_t importRva = r.u32(directories + 8 * kImportDirectory);
    if (!r.ok) return std::nullopt;
    if (importRva == 0) return facts;
    auto descriptor = fileOffset(sections, importRva);
    if (!descriptor) return std::nullopt;
    for (size_t i = 0; i < kMaxImportedDlls; ++i, *descriptor += kImportDescriptorBytes) {
        const uint32_t nameRva = r.u32(*descriptor + 12);
        const uint32_t thunks = r.u32(*descriptor) | r.u32(*descriptor + 16);
        if (!r.ok) return std::nullopt;
        if (nameRva == 0 && thunks == 0) return facts;
        auto nameAt = fileOffset(sections, nameRva);
        auto name = nameAt ? cString(file, *nameAt) : std::nullopt;
        if (!name) return std::nullopt;
        facts.importedDlls.push_back(*name);
    }
    return std::nullopt;
}

std::optional<DllFileFacts> readDllFileFacts(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return readDllFileFacts(bytes);
}

bool isSupportLibraryName(std::string_view name) {
    auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    auto same = [&](std::string_view library) {
        if (name.size() != library.size()) return false;
        for (size_t i = 0; i < name.size(); ++i)
            if (lower(name[i]) != lower(library[i])) return false;
        return true;
    };
    return same("ORVEX32.dll") || same("orvex64.dll");
}

std::string machineWidth(uint16_t machine) {
    switch (machine) {
        case kMachineI386: return "32-bit";
        case kMachineAmd64: return "64-bit";
        default: return "unknown-machine";
    }
}

}  // namespace kdrv
