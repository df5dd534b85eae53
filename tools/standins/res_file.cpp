#include <cstring>
#include <stdexcept>
#include <string>

#include "standins/standin.h"

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
