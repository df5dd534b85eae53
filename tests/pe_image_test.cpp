// The PE reader on the built DLL and on damaged copies of it: every damage
// gives a PeError that says what was expected, never a crash.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "pe/pe_image.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readDll() {
    std::ifstream in(KINEMO_DLL_PATH, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t get32(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }
void put16(Bytes& b, size_t at, uint16_t v) { b.at(at) = uint8_t(v), b.at(at + 1) = uint8_t(v >> 8); }
void put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.at(at + i) = uint8_t(v >> (8 * i));
}

// Where the structures of the intact file lie, to aim the damage.
struct Layout {
    pe::Image image;
    size_t coff, opt, sections;

    size_t offsetOf(uint32_t rva) const {
        const pe::Section* s = image.sectionAt(rva);
        if (s == nullptr) throw std::runtime_error("RVA outside sections");
        return s->rawOffset + (rva - s->virtualAddress);
    }
    size_t directory(int index) const { return offsetOf(image.directories[index].rva); }
    // The first data entry of the resource tree (type, name, language all first).
    size_t firstResourceData(const Bytes& b) const {
        const uint32_t root = image.directories[pe::kDirResource].rva;
        uint32_t offset = 0;
        for (int level = 0; level < 3; ++level) offset = get32(b, offsetOf(root + offset + 16 + 4)) & 0x7FFFFFFF;
        return offsetOf(root + offset);
    }
};

Layout layoutOf(const Bytes& b) {
    Layout l{pe::parseImage(b, "intact"), 0, 0, 0};
    l.coff = get32(b, 0x3C) + 4;
    l.opt = l.coff + 20;
    l.sections = l.opt + (b[l.coff + 16] | b[l.coff + 17] << 8);
    return l;
}

std::string errorOf(const Bytes& b) {
    try {
        pe::parseImage(b, "damaged.qlm");
    } catch (const pe::PeError& e) {
        return e.what();
    }
    return "";
}

TEST(PeImage, ReadsTheBuiltDll) {
    const pe::Image img = pe::loadImage(KINEMO_DLL_PATH);
    EXPECT_TRUE(img.isDll());
    EXPECT_EQ(img.exports.dllName, "kinemo.qlm");
    EXPECT_EQ(img.exports.ordinalBase, 2u);
    EXPECT_EQ(img.exports.slots.size(), 79u);
    EXPECT_EQ(img.exports.rvaOf(3), 0u) << "empty slot";
    EXPECT_EQ(img.exports.rvaOf(1), 0u) << "below the base";
    EXPECT_EQ(img.exports.rvaOf(81), 0u) << "past the end";
    EXPECT_EQ(img.exports.rvaOf(img.exports.names.at("GetInfos")), img.exports.slots[0]);

    const pe::ImportedDll* orvex = img.importsFrom("orvex32.DLL");
    ASSERT_NE(orvex, nullptr) << "DLL names compare without case";
    for (const pe::Import& imp : orvex->entries) EXPECT_TRUE(imp.byOrdinal);
    for (const pe::Relocation& r : img.relocations) {
        // Each relocated word holds an address inside the image at its preferred base.
        uint32_t v;
        std::memcpy(&v, img.mapped.data() + r.rva, 4);
        EXPECT_TRUE(v >= img.imageBase && v < img.imageBase + img.sizeOfImage) << std::hex << r.rva;
    }
}

TEST(PeImage, DamagedFilesGiveClearErrors) {
    using Damage = std::function<void(Bytes&, const Layout&)>;
    struct Case {
        const char* name;
        Damage damage;
        const char* error;
    };
    const Case cases[] = {
        {"empty file", [](Bytes& b, const Layout&) { b.clear(); }, "too small for a DOS header"},
        {"no MZ", [](Bytes& b, const Layout&) { b[0] = 'X'; }, "no DOS signature"},
        {"header offset past the end", [](Bytes& b, const Layout&) { put32(b, 0x3C, uint32_t(b.size()) + 64); }, "NT signature"},
        {"no PE signature", [](Bytes& b, const Layout& l) { b[l.coff - 4] = 'Q'; }, "no PE signature"},
        {"64-bit machine", [](Bytes& b, const Layout& l) { put16(b, l.coff, 0x8664); }, "machine 0x8664, expected 0x14c"},
        {"PE32+ header", [](Bytes& b, const Layout& l) { put16(b, l.opt, 0x20B); }, "expected 0x10b"},
        {"short optional header", [](Bytes& b, const Layout& l) { put16(b, l.coff + 16, 40); }, "expected at least 96"},
        {"17 data directories", [](Bytes& b, const Layout& l) { put32(b, l.opt + 92, 17); }, "expected at most 16"},
        {"absurd image size", [](Bytes& b, const Layout& l) { put32(b, l.opt + 56, 0x7FFFFFFF); }, "image size 0x7fffffff"},
        {"too many sections", [](Bytes& b, const Layout& l) { put16(b, l.coff + 2, 500); }, "500 sections"},
        {"section past the image", [](Bytes& b, const Layout& l) { put32(b, l.sections + 8, 0x00100000); }, "extends past the image size"},
        {"truncated file", [](Bytes& b, const Layout& l) { b.resize(l.image.sections.back().rawOffset + 16); }, "extends past the end of the file"},
        {"export directory outside", [](Bytes& b, const Layout& l) { put32(b, l.opt + 96, 0x00FFFFF0); }, "export directory at RVA"},
        {"export name with no slot",
         [](Bytes& b, const Layout& l) { put16(b, l.offsetOf(get32(b, l.directory(pe::kDirExport) + 36)), 0xFFFF); },
         "refers to slot 65535"},
        {"import DLL name outside",
         [](Bytes& b, const Layout& l) { put32(b, l.directory(pe::kDirImport) + 12, 0x7FFFFFF0); }, "import DLL name at RVA"},
        {"ordinal import with stray bits",
         [](Bytes& b, const Layout& l) {
             const pe::Import& first = l.image.importsFrom("ORVEX32.dll")->entries.front();
             put32(b, l.offsetOf(first.iatRva), 0x80010000u | first.ordinal);
             // The lookup table is what the reader follows; damage it too.
             for (size_t d = l.directory(pe::kDirImport);; d += 20) {
                 if (get32(b, d + 16) == l.image.importsFrom("ORVEX32.dll")->entries.front().iatRva) {
                     put32(b, l.offsetOf(get32(b, d)), 0x80010000u | first.ordinal);
                     break;
                 }
             }
         },
         "stray bits"},
        {"relocation block of size 0", [](Bytes& b, const Layout& l) { put32(b, l.directory(pe::kDirBaseReloc) + 4, 0); }, "relocation block"},
        {"64-bit relocation", [](Bytes& b, const Layout& l) { put16(b, l.directory(pe::kDirBaseReloc) + 8, 0xA010); }, "relocation type 10"},
        {"resource named by a string",
         [](Bytes& b, const Layout& l) { put32(b, l.directory(pe::kDirResource) + 16, 0x80000100); }, "is a string, expected a number"},
        {"resource tree loops to data early",
         [](Bytes& b, const Layout& l) { put32(b, l.directory(pe::kDirResource) + 20, 0x00000010); }, "expected a directory"},
        {"resource data outside", [](Bytes& b, const Layout& l) { put32(b, l.firstResourceData(b), 0x7FFFFF00); }, "resource data at RVA"},
    };
    const Bytes intact = readDll();
    ASSERT_FALSE(intact.empty()) << "build the win32 DLL first: " << KINEMO_DLL_PATH;
    const Layout layout = layoutOf(intact);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes b = intact;
        c.damage(b, layout);
        const std::string error = errorOf(b);
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_EQ(error.rfind("damaged.qlm: ", 0), 0u) << error;
    }
    EXPECT_THROW(pe::loadImage("/nonexistent/kinemo.qlm"), pe::PeError);
}

TEST(PeImage, RandomDamageNeverGetsPastTheChecks) {
    const Bytes intact = readDll();
    ASSERT_FALSE(intact.empty());
    const Layout layout = layoutOf(intact);
    // Aim at the headers and the directories, where offsets are followed.
    std::vector<size_t> targets = {0x3C, layout.coff, layout.opt, layout.sections};
    for (int d : {pe::kDirExport, pe::kDirImport, pe::kDirResource, pe::kDirBaseReloc})
        if (layout.image.directories[d].rva != 0) targets.push_back(layout.directory(d));
    std::mt19937 rng(20240611);
    for (int i = 0; i < 600; ++i) {
        Bytes b = intact;
        const int edits = 1 + int(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            const size_t at = targets[rng() % targets.size()] + rng() % 96;
            if (at + 4 <= b.size()) put32(b, at, rng() % 3 == 0 ? rng() : uint32_t(rng() % 0x10000));
        }
        if (rng() % 5 == 0) b.resize(rng() % b.size());
        try {
            pe::parseImage(b, "random");
        } catch (const pe::PeError&) {
        }
    }
}

}  // namespace
