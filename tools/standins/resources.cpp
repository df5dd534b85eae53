// Modules and their resources: the registered entries, the handles that
// find, load and lock them, the module path, the .res file reader and the
// string table.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "standins/handle_cast.h"
#include "standins/resource_table.h"
#include "standins/standin.h"
#include "standins/state.h"

// ---- Modules and resource handles ------------------------------------------

extern const uint8_t kinemoResBytes[];
extern const size_t kinemoResBytesSize;

HINSTANCE nativeModuleHandle() { return reinterpret_cast<HINSTANCE>(uintptr_t{0x00400000}); }

namespace standin {
namespace {

constexpr uint8_t kNoBytes[1] = {0};

uint32_t nativeModule() { return handleValue(nativeModuleHandle()); }

void registerEntries(uint32_t module, std::vector<platform::ResourceEntry> entries) {
    State& s = state();
    if (module == nativeModule()) s.nativeRegistered = true;
    s.modules[module] = ModuleResources{
        s.nextModuleSerial++,
        std::make_shared<const std::vector<platform::ResourceEntry>>(std::move(entries)),
    };
}

// A resource handle names the module's registration and the entry within it.
uint32_t resourceHandle(uint32_t serial, size_t index) { return (serial << 16) | static_cast<uint32_t>(index + 1); }

}  // namespace

const ModuleResources* moduleResources(uint32_t module) {
    State& s = state();
    if (!s.modules.contains(module) && module == nativeModule() && !s.nativeRegistered)
        registerEntries(module, parseResFile({kinemoResBytes, kinemoResBytesSize}));
    auto it = s.modules.find(module);
    return it == s.modules.end() ? nullptr : &it->second;
}

const platform::ResourceEntry* findEntry(uint32_t module, uint32_t type, uint32_t name) {
    const ModuleResources* res = moduleResources(module);
    if (res == nullptr) return nullptr;
    auto it = std::find_if(res->entries->begin(), res->entries->end(),
                           [&](const platform::ResourceEntry& e) { return e.type == type && e.name == name; });
    return it == res->entries->end() ? nullptr : &*it;
}

void setModulePath(uint32_t module, std::string path) { state().modulePaths[module] = std::move(path); }

std::optional<std::string> modulePath(uint32_t module) {
    const State& s = state();
    if (auto it = s.modulePaths.find(module); it != s.modulePaths.end()) return it->second;
    if (moduleResources(module) == nullptr) return std::nullopt;
    return std::string(kDefaultModulePath);
}

uint32_t findResource(uint32_t module, uint32_t name, uint32_t type) {
    if (callFails(Op::FindResource)) return 0;
    const ModuleResources* res = moduleResources(module);
    const platform::ResourceEntry* entry = findEntry(module, type, name);
    if (entry == nullptr) return 0;
    return resourceHandle(res->serial, static_cast<size_t>(entry - res->entries->data()));
}

uint32_t loadResource(uint32_t module, uint32_t resource) {
    if (callFails(Op::LoadResource)) return 0;
    const ModuleResources* res = moduleResources(module);
    const size_t index = (resource & 0xFFFF) - 1;
    if (res == nullptr || (resource >> 16) != res->serial || index >= res->entries->size()) return 0;
    State& s = state();
    const uint32_t handle = s.nextLoad++;
    s.loads[handle] = LoadedResource{res->entries, index, false};
    return handle;
}

std::span<const uint8_t> lockResource(uint32_t loaded) {
    State& s = state();
    auto it = s.loads.find(loaded);
    if (it == s.loads.end() || callFails(Op::LockResource)) return {};
    it->second.locked = true;
    const auto& data = (*it->second.entries)[it->second.index].data;
    if (data.empty()) return {kNoBytes, size_t{0}};
    return data;
}

bool freeResource(uint32_t loaded) { return state().loads.erase(loaded) == 1; }

}  // namespace standin

namespace platform {
void registerModuleResources(HINSTANCE module, std::vector<ResourceEntry> entries) {
    standin::registerEntries(standin::handleValue(module), std::move(entries));
}
}  // namespace platform

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    if (!IS_INTRESOURCE(name) || !IS_INTRESOURCE(type)) return nullptr;  // only numeric names are served
    using namespace standin;
    return handleOf<HRSRC>(findResource(handleValue(module), handleValue(name), handleValue(type)));
}

HGLOBAL LoadResource(HMODULE module, HRSRC res) {
    using namespace standin;
    return handleOf<HGLOBAL>(loadResource(handleValue(module), handleValue(res)));
}

void* LockResource(HGLOBAL data) {
    auto bytes = standin::lockResource(standin::handleValue(data));
    return const_cast<uint8_t*>(bytes.data());
}

// As on Windows: zero when the resource was released.
BOOL FreeResource(HGLOBAL data) { return standin::freeResource(standin::handleValue(data)) ? 0 : 1; }

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    auto path = standin::modulePath(standin::handleValue(module));
    if (!path || size == 0) return 0;
    // Too small a buffer is filled with the path's start and no terminating
    // zero, and the answer is its size, as in Wine (Windows before Vista too).
    return static_cast<DWORD>(
        standin::copyUnterminatedWhenCut(*path, buffer, static_cast<int>(std::min<DWORD>(size, 0x7FFFFFFF))));
}

// ---- The .res file format --------------------------------------------------

namespace standin {
namespace {

// Field names as the .res format documents RESOURCEHEADER.
constexpr size_t kSizesBytes = 8;
constexpr size_t kTrailerBytes = 16;  // DataVersion, MemoryFlags, LanguageId, Version, Characteristics

[[noreturn]] void malformed(size_t offset, const std::string& what) {
    throw std::runtime_error("resource file: entry at byte " + std::to_string(offset) + ": " + what);
}

uint32_t readU32(std::span<const uint8_t> b, size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

uint16_t readU16(std::span<const uint8_t> b, size_t at) {
    uint16_t v;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}

size_t alignUp4(size_t v) { return (v + 3) & ~size_t{3}; }

// A type or name field: 0xFFFF and an ordinal, or a zero-ended UTF-16 string.
// Returns the ordinal (nothing for a string) and moves past the field.
std::optional<uint16_t> readNameField(std::span<const uint8_t> header, size_t& at, size_t entryOffset) {
    if (at + 2 > header.size()) malformed(entryOffset, "type or name runs past the header");
    if (readU16(header, at) == 0xFFFF) {
        if (at + 4 > header.size()) malformed(entryOffset, "ordinal runs past the header");
        const uint16_t ordinal = readU16(header, at + 2);
        at += 4;
        return ordinal;
    }
    while (true) {
        if (at + 2 > header.size()) malformed(entryOffset, "unterminated name in the header");
        const uint16_t c = readU16(header, at);
        at += 2;
        if (c == 0) return std::nullopt;
    }
}

}  // namespace

std::vector<platform::ResourceEntry> parseResFile(std::span<const uint8_t> bytes) {
    std::vector<platform::ResourceEntry> entries;
    size_t offset = 0;
    while (offset < bytes.size()) {
        if (bytes.size() - offset < kSizesBytes) malformed(offset, "truncated header sizes");
        const uint32_t dataSize = readU32(bytes, offset);
        const uint32_t headerSize = readU32(bytes, offset + 4);
        if (headerSize < kSizesBytes + 4 + 4 + kTrailerBytes) malformed(offset, "header size too small");
        if (uint64_t{headerSize} + dataSize > bytes.size() - offset) malformed(offset, "entry runs past the end");

        const auto header = bytes.subspan(offset, headerSize);
        size_t at = kSizesBytes;
        const auto type = readNameField(header, at, offset);
        const auto name = readNameField(header, at, offset);
        at = alignUp4(at);
        if (at + kTrailerBytes > header.size()) malformed(offset, "header trailer runs past the header");
        const uint16_t language = readU16(header, at + 6);

        const bool emptyLead = type == 0 && name == 0 && dataSize == 0;
        if (type && name && !emptyLead) {
            const auto data = bytes.subspan(offset + headerSize, dataSize);
            entries.push_back({*type, *name, language, std::vector<uint8_t>(data.begin(), data.end())});
        }
        offset = alignUp4(offset + headerSize + dataSize);
    }
    return entries;
}

}  // namespace standin

// ---- String tables ---------------------------------------------------------

namespace standin {
namespace {

constexpr uint32_t kStringType = 6;
constexpr uint32_t kStringsPerBlock = 16;

// Code page 1252 bytes 0x80 to 0x9F; 0 marks the five unused bytes.
constexpr std::array<uint16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

char toCp1252(uint16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    auto it = std::find(kCp1252High.begin(), kCp1252High.end(), unit);
    if (unit != 0 && it != kCp1252High.end()) return static_cast<char>(0x80 + (it - kCp1252High.begin()));
    return '?';
}

int copyCut(std::string_view text, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    if (n != 0) std::memcpy(buffer, text.data(), n);  // an empty view may have no data
    buffer[n] = '\0';
    return static_cast<int>(n);
}

int copyUnterminatedWhenCut(std::string_view text, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    if (text.size() < static_cast<size_t>(size)) return copyCut(text, buffer, size);
    std::memcpy(buffer, text.data(), static_cast<size_t>(size));
    return size;
}

// Strings live in blocks of 16: block id / 16 + 1, each string a 16-bit
// length and that many UTF-16 units; a zero length means no string.
std::optional<StringPlace> findString(uint32_t module, uint32_t id) {
    const platform::ResourceEntry* block = findEntry(module, kStringType, id / kStringsPerBlock + 1);
    if (block == nullptr) return std::nullopt;
    const auto& d = block->data;
    size_t at = 0;
    for (uint32_t i = 0;; ++i) {
        if (at + 2 > d.size()) return std::nullopt;
        const size_t length = d[at] | (d[at + 1] << 8);
        at += 2;
        if (at + 2 * length > d.size()) return std::nullopt;
        if (i == id % kStringsPerBlock) {
            if (length == 0) return std::nullopt;
            return StringPlace{d, at, length};
        }
        at += 2 * length;
    }
}

std::optional<std::string> loadString(uint32_t module, uint32_t id) {
    const std::optional<StringPlace> place = findString(module, id);
    if (!place) return std::nullopt;
    std::string text;
    for (size_t k = 0; k < place->length; ++k) {
        const size_t at = place->offset + 2 * k;
        text += toCp1252(static_cast<uint16_t>(place->block[at] | (place->block[at + 1] << 8)));
    }
    return text;
}

}  // namespace standin

int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size) {
    if (size == 0) return standin::kLoadStringZeroSize;
    if (buffer == nullptr || size < 0) return 0;
    auto text = standin::loadString(standin::handleValue(module), id);
    return standin::copyCut(text ? *text : std::string_view(), buffer, size);
}
