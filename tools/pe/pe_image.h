// A small reader for 32-bit PE images (PE32): headers, sections, exports,
// imports, base relocations, resources and the version block. It parses
// from bytes, checks every offset it follows, and reports malformed input
// as pe::PeError naming the source and what was expected.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "standins/resource_table.h"

namespace pe {

struct PeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kCharExecutable = 0x0002;
constexpr uint16_t kChar32BitMachine = 0x0100;
constexpr uint16_t kCharDll = 0x2000;
constexpr uint32_t kSectionExecute = 0x20000000;
constexpr uint32_t kSectionRead = 0x40000000;
constexpr uint32_t kSectionWrite = 0x80000000;

// Data directory indices.
enum Directory : uint8_t {
    kDirExport = 0,
    kDirImport = 1,
    kDirResource = 2,
    kDirBaseReloc = 5,
    kDirIat = 12,
    kDirectoryCount = 16,
};

constexpr uint8_t kRelocAbsolute = 0;  // padding entry, nothing to do
constexpr uint8_t kRelocHighLow = 3;   // 32-bit address

struct Section {
    std::string name;
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t rawOffset = 0;
    uint32_t rawSize = 0;
    uint32_t characteristics = 0;
};

struct DataDirectory {
    uint32_t rva = 0;
    uint32_t size = 0;
};

struct Exports {
    std::string dllName;
    uint32_t ordinalBase = 0;
    std::vector<uint32_t> slots;              // RVA per ordinal from ordinalBase; 0 = empty
    std::map<std::string, uint16_t> names;    // name -> ordinal
    // RVA of an ordinal, 0 if out of range or empty.
    uint32_t rvaOf(uint32_t ordinal) const;
};

struct Import {
    bool byOrdinal = false;
    uint16_t ordinal = 0;  // when byOrdinal
    uint16_t hint = 0;     // when by name
    std::string name;      // when by name
    uint32_t iatRva = 0;   // the slot the loader fills
};

struct ImportedDll {
    std::string name;
    std::vector<Import> entries;
};

struct Relocation {
    uint32_t rva = 0;
    uint8_t type = 0;
};

struct Image {
    std::string source;  // file name or label, for messages
    uint16_t machine = 0;
    uint16_t characteristics = 0;
    uint32_t timeDateStamp = 0;
    uint32_t imageBase = 0;
    uint32_t entryRva = 0;
    uint32_t sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    uint32_t sizeOfImage = 0;
    uint32_t sizeOfHeaders = 0;
    uint16_t subsystem = 0;
    uint16_t dllCharacteristics = 0;
    std::array<DataDirectory, kDirectoryCount> directories{};
    std::vector<Section> sections;
    Exports exports;
    std::vector<ImportedDll> imports;
    std::vector<Relocation> relocations;  // absolute (padding) entries dropped
    std::vector<platform::ResourceEntry> resources;
    std::vector<uint8_t> mapped;  // the image as laid out in memory, sizeOfImage bytes, at preferred base

    bool isDll() const { return (characteristics & kCharDll) != 0; }
    const Section* sectionAt(uint32_t rva) const;
    const Section* section(std::string_view name) const;
    const ImportedDll* importsFrom(std::string_view dll) const;  // case-insensitive
    const platform::ResourceEntry* resource(uint32_t type, uint32_t name) const;
};

// Parses a PE32 image. `source` names it in error messages.
Image parseImage(std::span<const uint8_t> file, std::string source = "<memory>");
// Reads and parses a file; a missing or unreadable file is a PeError too.
Image loadImage(const std::string& path);

// The version resource (type 16).
struct VersionInfo {
    std::array<uint16_t, 4> fileVersion{};     // major, minor, build, revision
    std::array<uint16_t, 4> productVersion{};
    uint32_t fileFlagsMask = 0;
    uint32_t fileFlags = 0;
    uint32_t fileOs = 0;
    uint32_t fileType = 0;
    uint32_t fileSubtype = 0;
    std::string stringTableKey;  // e.g. "040904E4"
    std::vector<std::pair<std::string, std::string>> strings;  // in file order, UTF-8
    std::vector<uint32_t> translations;                         // LOWORD language, HIWORD code page

    const std::string* value(std::string_view key) const;
};

constexpr uint32_t kResourceVersion = 16;

// Parses a VS_VERSIONINFO block.
VersionInfo parseVersionInfo(std::span<const uint8_t> data, const std::string& source = "<version>");

}  // namespace pe
