// The VS_VERSIONINFO block of a module's version resource.
#include <array>
#include <string>

#include "pe/byte_reader.h"
#include "pe/pe_image.h"

namespace pe {

namespace {

constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;

uint32_t align4(uint32_t v) { return (v + 3) & ~3u; }

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | cp >> 6);
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | cp >> 12);
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | cp >> 18);
        out += char(0x80 | (cp >> 12 & 0x3F));
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// A UTF-16 string from `at` up to its terminator or `end`; `at` moves past the terminator.
std::string utf16(const Bytes& b, uint32_t& at, uint32_t end, const char* what) {
    std::string out;
    while (true) {
        if (at + 2 > end) fail(b.source, std::string(what) + " at offset " + hex(at) + " is not terminated within its block");
        uint32_t unit = b.u16(at, what);
        at += 2;
        if (unit == 0) return out;
        if (unit >= 0xD800 && unit < 0xDC00 && at + 2 <= end) {
            const uint16_t low = b.u16(at, what);
            if (low >= 0xDC00 && low < 0xE000) {
                at += 2;
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
        }
        appendUtf8(out, unit);
    }
}

struct Block {
    uint32_t start;
    uint32_t end;          // start + wLength
    uint16_t valueLength;  // as declared
    uint16_t type;         // 1 = text, 0 = binary
    std::string key;
    uint32_t value;        // offset of the value (aligned)
};

Block readBlock(const Bytes& b, uint32_t at, uint32_t limit, const char* what) {
    Block k;
    k.start = at;
    const uint16_t length = b.u16(at, what);
    k.valueLength = b.u16(at + 2, what);
    k.type = b.u16(at + 4, what);
    if (length < 6 || at + length > limit)
        fail(b.source, std::string(what) + " at offset " + hex(at) + " declares " + std::to_string(length) +
                           " bytes, expected at least 6 and within its parent");
    k.end = at + length;
    uint32_t p = at + 6;
    k.key = utf16(b, p, k.end, what);
    k.value = std::min(align4(p), k.end);
    return k;
}

// Children of a block start after its value, each aligned to 4.
template <class Fn>
void forChildren(const Bytes& b, const Block& parent, uint32_t valueBytes, const char* what, Fn fn) {
    for (uint32_t at = align4(parent.value + valueBytes); at + 6 <= parent.end;) {
        const Block child = readBlock(b, at, parent.end, what);
        fn(child);
        at = align4(child.end);
    }
}

}  // namespace

const std::string* VersionInfo::value(std::string_view key) const {
    for (const auto& [k, v] : strings)
        if (k == key) return &v;
    return nullptr;
}

VersionInfo parseVersionInfo(std::span<const uint8_t> data, const std::string& source) {
    const Bytes b{data, source, "offset"};
    VersionInfo info;
    const Block root = readBlock(b, 0, static_cast<uint32_t>(data.size()), "version block");
    if (root.key != "VS_VERSION_INFO") fail(source, "version block key \"" + root.key + "\", expected \"VS_VERSION_INFO\"");
    if (root.valueLength != 0) {
        if (root.valueLength < 52 || root.value + 52 > root.end)
            fail(source, "fixed version info of " + std::to_string(root.valueLength) + " bytes, expected 52");
        const uint32_t v = root.value;
        if (b.u32(v, "fixed version info") != kFixedInfoSignature)
            fail(source, "fixed version info signature " + hex(b.u32(v, "")) + ", expected 0xfeef04bd");
        auto split = [&](uint32_t at, std::array<uint16_t, 4>& out) {
            const uint32_t ms = b.u32(at, "version"), ls = b.u32(at + 4, "version");
            out = {uint16_t(ms >> 16), uint16_t(ms), uint16_t(ls >> 16), uint16_t(ls)};
        };
        split(v + 8, info.fileVersion);
        split(v + 16, info.productVersion);
        info.fileFlagsMask = b.u32(v + 24, "file flags mask");
        info.fileFlags = b.u32(v + 28, "file flags");
        info.fileOs = b.u32(v + 32, "file OS");
        info.fileType = b.u32(v + 36, "file type");
        info.fileSubtype = b.u32(v + 40, "file subtype");
    }
    forChildren(b, root, root.valueLength, "version child", [&](const Block& child) {
        if (child.key == "StringFileInfo") {
            forChildren(b, child, 0, "string table", [&](const Block& table) {
                info.stringTableKey = table.key;
                forChildren(b, table, 0, "version string", [&](const Block& str) {
                    uint32_t p = str.value;
                    std::string value = (str.valueLength == 0 || p >= str.end) ? std::string() : utf16(b, p, str.end, "version string value");
                    info.strings.emplace_back(str.key, std::move(value));
                });
            });
        } else if (child.key == "VarFileInfo") {
            forChildren(b, child, 0, "var", [&](const Block& var) {
                if (var.key != "Translation") return;
                for (uint32_t p = var.value; p + 4 <= var.value + var.valueLength && p + 4 <= var.end; p += 4)
                    info.translations.push_back(b.u32(p, "translation"));
            });
        }
    });
    return info;
}

}  // namespace pe
