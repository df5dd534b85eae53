// Bounds-checked reads over the bytes of a module file or image, shared by
// the PE reader and the version-block reader; every failure names the file.
#pragma once
#include <algorithm>
#include <cstdint>
#include <span>
#include <sstream>
#include <string>

#include "pe/pe_image.h"

namespace pe {

inline std::string hex(uint32_t v) {
    std::ostringstream s;
    s << "0x" << std::hex << v;
    return s.str();
}

[[noreturn]] inline void fail(const std::string& source, const std::string& what) {
    throw PeError(source + ": " + what);
}

// Bounds-checked little-endian reads over a byte range.
struct Bytes {
    std::span<const uint8_t> data;
    const std::string& source;
    const char* space;  // "file offset" or "RVA", for messages

    void need(uint64_t at, uint64_t len, const char* what) const {
        if (at > data.size() || len > data.size() - at)
            fail(source, std::string(what) + " at " + space + " " + hex(static_cast<uint32_t>(at)) + " (" +
                             std::to_string(len) + " bytes) lies outside the " + std::to_string(data.size()) +
                             "-byte " + (space[0] == 'R' ? "image" : "file"));
    }
    uint8_t u8(uint64_t at, const char* what) const {
        need(at, 1, what);
        return data[at];
    }
    uint16_t u16(uint64_t at, const char* what) const {
        need(at, 2, what);
        return static_cast<uint16_t>(data[at] | data[at + 1] << 8);
    }
    uint32_t u32(uint64_t at, const char* what) const {
        need(at, 4, what);
        return static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8 |
               static_cast<uint32_t>(data[at + 2]) << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
    }
    std::string cString(uint64_t at, const char* what) const {
        need(at, 1, what);
        auto begin = data.begin() + static_cast<std::ptrdiff_t>(at);
        auto end = std::find(begin, data.end(), uint8_t{0});
        if (end == data.end()) fail(source, std::string(what) + " at " + space + " " + hex(uint32_t(at)) + " is not terminated");
        return std::string(begin, end);
    }
};

}  // namespace pe
