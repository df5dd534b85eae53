#include "pe/pe_image.h"
#include "pe/byte_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace pe {
namespace {

constexpr uint32_t kMaxImageSize = 64u << 20;  // refuse to map absurd sizes from a corrupt header
constexpr size_t kMaxFileSize = 64u << 20;
constexpr uint16_t kMaxSections = 96;
constexpr uint16_t kOptionalMagicPe32 = 0x10B;
constexpr size_t kMaxResources = 4096;  // shared subdirectories could otherwise multiply the tree
constexpr uint64_t kMaxResourceBytes = 64u << 20;
constexpr uint64_t kMaxResourceWalk = 1u << 16;

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

void readHeaders(Image& img, const Bytes& file) {
    if (file.data.size() < 64) fail(img.source, "too small for a DOS header (" + std::to_string(file.data.size()) + " bytes, expected at least 64)");
    if (file.u16(0, "DOS signature") != 0x5A4D) fail(img.source, "no DOS signature (expected \"MZ\" at offset 0)");
    const uint32_t nt = file.u32(0x3C, "e_lfanew");
    if (file.u32(nt, "NT signature") != 0x00004550) fail(img.source, "no PE signature at offset " + hex(nt) + " (expected \"PE\\0\\0\")");
    const uint32_t coff = nt + 4;
    img.machine = file.u16(coff, "machine");
    const uint16_t sectionCount = file.u16(coff + 2, "section count");
    img.timeDateStamp = file.u32(coff + 4, "time stamp");
    const uint16_t optionalSize = file.u16(coff + 16, "optional header size");
    img.characteristics = file.u16(coff + 18, "characteristics");
    if (img.machine != kMachineI386) fail(img.source, "machine " + hex(img.machine) + ", expected 0x14c (i386)");

    const uint32_t opt = coff + 20;
    const uint16_t magic = file.u16(opt, "optional header magic");
    if (magic != kOptionalMagicPe32) fail(img.source, "optional header magic " + hex(magic) + ", expected 0x10b (PE32)");
    if (optionalSize < 96) fail(img.source, "optional header of " + std::to_string(optionalSize) + " bytes, expected at least 96");
    file.need(opt, optionalSize, "optional header");
    img.entryRva = file.u32(opt + 16, "entry point");
    img.imageBase = file.u32(opt + 28, "image base");
    img.sectionAlignment = file.u32(opt + 32, "section alignment");
    img.fileAlignment = file.u32(opt + 36, "file alignment");
    img.sizeOfImage = file.u32(opt + 56, "image size");
    img.sizeOfHeaders = file.u32(opt + 60, "header size");
    img.subsystem = file.u16(opt + 68, "subsystem");
    img.dllCharacteristics = file.u16(opt + 70, "DLL characteristics");
    const uint32_t dirCount = file.u32(opt + 92, "directory count");
    if (dirCount > kDirectoryCount) fail(img.source, std::to_string(dirCount) + " data directories, expected at most 16");
    if (96 + 8ull * dirCount > optionalSize) fail(img.source, "data directories overrun the optional header");
    for (uint32_t i = 0; i < dirCount; ++i) {
        img.directories[i].rva = file.u32(opt + 96 + 8 * i, "data directory");
        img.directories[i].size = file.u32(opt + 100 + 8 * i, "data directory");
    }

    if (img.sizeOfImage == 0 || img.sizeOfImage > kMaxImageSize)
        fail(img.source, "image size " + hex(img.sizeOfImage) + ", expected between 1 byte and 64 MiB");
    if (img.sizeOfHeaders > img.sizeOfImage || img.sizeOfHeaders > file.data.size())
        fail(img.source, "header size " + hex(img.sizeOfHeaders) + " exceeds the image or the file");
    if (sectionCount > kMaxSections) fail(img.source, std::to_string(sectionCount) + " sections, expected at most 96");

    const uint32_t table = opt + optionalSize;
    file.need(table, 40ull * sectionCount, "section table");
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const uint32_t at = table + 40u * i;
        Section s;
        const char* raw = reinterpret_cast<const char*>(file.data.data() + at);
        s.name.assign(raw, strnlen(raw, 8));
        s.virtualSize = file.u32(at + 8, "section");
        s.virtualAddress = file.u32(at + 12, "section");
        s.rawSize = file.u32(at + 16, "section");
        s.rawOffset = file.u32(at + 20, "section");
        s.characteristics = file.u32(at + 36, "section");
        const uint32_t span = std::max(s.virtualSize, s.rawSize);
        if (uint64_t(s.virtualAddress) + span > img.sizeOfImage)
            fail(img.source, "section " + s.name + " at RVA " + hex(s.virtualAddress) + " extends past the image size " + hex(img.sizeOfImage));
        if (s.rawSize != 0 && uint64_t(s.rawOffset) + s.rawSize > file.data.size())
            fail(img.source, "section " + s.name + " raw data at offset " + hex(s.rawOffset) + " (" + std::to_string(s.rawSize) +
                                 " bytes) extends past the end of the file");
        img.sections.push_back(std::move(s));
    }
}

void mapSections(Image& img, std::span<const uint8_t> file) {
    img.mapped.assign(img.sizeOfImage, 0);
    std::copy_n(file.begin(), img.sizeOfHeaders, img.mapped.begin());
    for (const Section& s : img.sections) {
        // Raw data beyond the virtual size is file padding, not image content.
        const uint32_t len = s.virtualSize ? std::min(s.rawSize, s.virtualSize) : s.rawSize;
        std::copy_n(file.begin() + s.rawOffset, len, img.mapped.begin() + s.virtualAddress);
    }
}

void readExports(Image& img, const Bytes& mem) {
    const DataDirectory dir = img.directories[kDirExport];
    if (dir.rva == 0) return;
    mem.need(dir.rva, 40, "export directory");
    Exports& ex = img.exports;
    ex.dllName = mem.cString(mem.u32(dir.rva + 12, "export DLL name"), "export DLL name");
    ex.ordinalBase = mem.u32(dir.rva + 16, "ordinal base");
    const uint32_t functionCount = mem.u32(dir.rva + 20, "export count");
    const uint32_t nameCount = mem.u32(dir.rva + 24, "export name count");
    const uint32_t functions = mem.u32(dir.rva + 28, "export address table");
    const uint32_t names = mem.u32(dir.rva + 32, "export name table");
    const uint32_t nameOrdinals = mem.u32(dir.rva + 36, "export ordinal table");
    mem.need(functions, 4ull * functionCount, "export address table");
    mem.need(names, 4ull * nameCount, "export name table");
    mem.need(nameOrdinals, 2ull * nameCount, "export ordinal table");
    ex.slots.resize(functionCount);
    for (uint32_t i = 0; i < functionCount; ++i) ex.slots[i] = mem.u32(functions + 4 * i, "export address");
    for (uint32_t i = 0; i < nameCount; ++i) {
        const uint16_t index = mem.u16(nameOrdinals + 2 * i, "export ordinal");
        if (index >= functionCount)
            fail(img.source, "export name " + std::to_string(i) + " refers to slot " + std::to_string(index) + ", expected below " +
                                 std::to_string(functionCount));
        ex.names[mem.cString(mem.u32(names + 4 * i, "export name"), "export name")] =
            static_cast<uint16_t>(ex.ordinalBase + index);
    }
}

void readImports(Image& img, const Bytes& mem) {
    const DataDirectory dir = img.directories[kDirImport];
    if (dir.rva == 0) return;
    for (uint32_t desc = dir.rva;; desc += 20) {
        mem.need(desc, 20, "import descriptor");
        const uint32_t lookup = mem.u32(desc, "import lookup table");
        const uint32_t nameRva = mem.u32(desc + 12, "import DLL name");
        const uint32_t iat = mem.u32(desc + 16, "import address table");
        if (lookup == 0 && nameRva == 0 && iat == 0) break;
        ImportedDll dll;
        dll.name = mem.cString(nameRva, "import DLL name");
        if (iat == 0) fail(img.source, "imports from " + dll.name + " have no address table");
        const uint32_t thunks = lookup ? lookup : iat;
        for (uint32_t i = 0;; ++i) {
            const uint32_t entry = mem.u32(thunks + 4ull * i, "import lookup entry");
            mem.need(iat + 4ull * i, 4, "import address slot");
            if (entry == 0) break;
            Import imp;
            imp.iatRva = iat + 4 * i;
            if (entry & 0x80000000u) {
                if (entry & 0x7FFF0000u) fail(img.source, "import by ordinal from " + dll.name + " has stray bits " + hex(entry));
                imp.byOrdinal = true;
                imp.ordinal = static_cast<uint16_t>(entry);
            } else {
                imp.hint = mem.u16(entry, "import hint");
                imp.name = mem.cString(entry + 2ull, "import name");
            }
            dll.entries.push_back(std::move(imp));
        }
        img.imports.push_back(std::move(dll));
    }
}

void readRelocations(Image& img, const Bytes& mem) {
    const DataDirectory dir = img.directories[kDirBaseReloc];
    if (dir.rva == 0) return;
    mem.need(dir.rva, dir.size, "relocation directory");
    for (uint32_t at = dir.rva; at < dir.rva + dir.size;) {
        const uint32_t page = mem.u32(at, "relocation block");
        const uint32_t blockSize = mem.u32(at + 4, "relocation block size");
        if (blockSize < 8 || blockSize % 2 != 0 || uint64_t(at) + blockSize > uint64_t(dir.rva) + dir.size)
            fail(img.source, "relocation block at RVA " + hex(at) + " has size " + std::to_string(blockSize) +
                                 ", expected an even size of at least 8 within the directory");
        for (uint32_t e = at + 8; e < at + blockSize; e += 2) {
            const uint16_t entry = mem.u16(e, "relocation entry");
            const uint8_t type = static_cast<uint8_t>(entry >> 12);
            if (type == kRelocAbsolute) continue;
            const uint32_t rva = page + (entry & 0x0FFFu);
            if (type != kRelocHighLow)
                fail(img.source, "relocation type " + std::to_string(type) + " at RVA " + hex(rva) + ", expected 3 (HIGHLOW)");
            mem.need(rva, 4, "relocated address");
            img.relocations.push_back({rva, type});
        }
        at += blockSize;
    }
}

// One level of the resource tree: entries of (id, offset within the section).
std::vector<std::pair<uint32_t, uint32_t>> resourceLevel(const Image& img, const Bytes& mem, uint32_t root, uint32_t offset,
                                                          const char* level) {
    const uint32_t at = root + offset;
    const uint16_t named = mem.u16(at + 12, "resource directory");
    const uint16_t numbered = mem.u16(at + 14, "resource directory");
    const uint32_t count = uint32_t(named) + numbered;
    // Entries of one directory lie within the resource section, which bounds the tree's size.
    if (offset + 16ull + 8ull * count > img.directories[kDirResource].size)
        fail(img.source, std::string("resource ") + level + " directory at RVA " + hex(at) + " with " + std::to_string(count) +
                             " entries overruns the resource directory");
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t entry = at + 16 + 8 * i;
        const uint32_t id = mem.u32(entry, "resource entry");
        const uint32_t target = mem.u32(entry + 4, "resource entry");
        if (id & 0x80000000u) {
            // Names given as strings (not numbers) have no place in our resource tables.
            fail(img.source, std::string("resource ") + level + " at RVA " + hex(entry) + " is a string, expected a number");
        }
        out.emplace_back(id, target);
    }
    return out;
}

void readResources(Image& img, const Bytes& mem) {
    const DataDirectory dir = img.directories[kDirResource];
    if (dir.rva == 0) return;
    const uint32_t root = dir.rva;
    uint64_t total = 0;
    // Directories may share subdirectories, so a small tree can name the same
    // empty leaves again and again; bound the walk as well as what it finds.
    uint64_t visited = 0;
    auto visit = [&](size_t entries) {
        visited += entries;
        if (visited > kMaxResourceWalk)
            fail(img.source, "resource tree names more than " + std::to_string(kMaxResourceWalk) + " directory entries");
    };
    auto subdirectory = [&](uint32_t target, const char* level) {
        if (!(target & 0x80000000u)) fail(img.source, std::string("resource ") + level + " entry points at data, expected a directory");
        return target & 0x7FFFFFFFu;
    };
    const auto types = resourceLevel(img, mem, root, 0, "type");
    visit(types.size());
    for (auto [type, typeDir] : types) {
        const auto names = resourceLevel(img, mem, root, subdirectory(typeDir, "type"), "name");
        visit(names.size());
        for (auto [name, nameDir] : names) {
            const auto languages = resourceLevel(img, mem, root, subdirectory(nameDir, "name"), "language");
            visit(languages.size() + 1);
            for (auto [language, dataEntry] : languages) {
                if (dataEntry & 0x80000000u) fail(img.source, "resource language entry points at a directory, expected data");
                const uint32_t dataRva = mem.u32(root + dataEntry, "resource data entry");
                const uint32_t size = mem.u32(root + dataEntry + 4ull, "resource data entry");
                mem.need(dataRva, size, "resource data");
                platform::ResourceEntry r;
                r.type = type;
                r.name = name;
                if (language > 0xFFFF) fail(img.source, "resource language " + hex(language) + ", expected a 16-bit id");
                r.language = static_cast<uint16_t>(language);
                r.data.assign(mem.data.begin() + dataRva, mem.data.begin() + dataRva + size);
                img.resources.push_back(std::move(r));
                total += size;
                if (img.resources.size() > kMaxResources || total > kMaxResourceBytes)
                    fail(img.source, "resource tree holds more than " + std::to_string(kMaxResources) + " entries or " +
                                         std::to_string(kMaxResourceBytes >> 20) + " MiB");
            }
        }
    }
}

}  // namespace

uint32_t Exports::rvaOf(uint32_t ordinal) const {
    if (ordinal < ordinalBase || ordinal - ordinalBase >= slots.size()) return 0;
    return slots[ordinal - ordinalBase];
}

const Section* Image::sectionAt(uint32_t rva) const {
    for (const Section& s : sections)
        if (rva >= s.virtualAddress && rva - s.virtualAddress < std::max(s.virtualSize, s.rawSize)) return &s;
    return nullptr;
}

const Section* Image::section(std::string_view name) const {
    for (const Section& s : sections)
        if (s.name == name) return &s;
    return nullptr;
}

const ImportedDll* Image::importsFrom(std::string_view dll) const {
    for (const ImportedDll& d : imports)
        if (equalsNoCase(d.name, dll)) return &d;
    return nullptr;
}

const platform::ResourceEntry* Image::resource(uint32_t type, uint32_t name) const {
    for (const platform::ResourceEntry& r : resources)
        if (r.type == type && r.name == name) return &r;
    return nullptr;
}

Image parseImage(std::span<const uint8_t> file, std::string source) {
    Image img;
    img.source = std::move(source);
    readHeaders(img, Bytes{file, img.source, "file offset"});
    mapSections(img, file);
    const Bytes mem{img.mapped, img.source, "RVA"};
    readExports(img, mem);
    readImports(img, mem);
    readRelocations(img, mem);
    readResources(img, mem);
    return img;
}

Image loadImage(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) throw PeError("cannot open " + path + ": " + std::strerror(errno));
    // Read with C stdio: a directory or a read error then has an errno to
    // report, where a stream would throw a library message.
    std::vector<uint8_t> bytes;
    struct stat info {};
    int error = fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode) ? EISDIR : 0;
    uint8_t buffer[1 << 16];
    while (error == 0) {
        size_t got = std::fread(buffer, 1, sizeof buffer, file);
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (bytes.size() > kMaxFileSize) {
            std::fclose(file);
            throw PeError(path + ": larger than " + std::to_string(kMaxFileSize >> 20) + " MiB, too large for a module");
        }
        if (got < sizeof buffer) error = std::ferror(file) ? errno : -1;
    }
    std::fclose(file);
    if (error > 0) throw PeError("cannot read " + path + ": " + std::strerror(error));
    return parseImage(bytes, path);
}

}  // namespace pe
