// The PE reader on the built DLL and on damaged copies of it: every damage
// gives a PeError that says what was expected, never a crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "support/dll_file.h"

namespace {

using dllfile::Bytes;
using dllfile::put16;
using dllfile::put32;
using dllfile::u32;

// Where the structures of the intact file lie, to aim the damage.
struct Layout {
    const pe::Image& image = dllfile::image();
    size_t coff = u32(dllfile::bytes(), 0x3C) + 4;
    size_t opt = coff + 20;
    size_t sections = opt + dllfile::u16(dllfile::bytes(), coff + 16);

    size_t at(uint32_t rva) const { return dllfile::fileOffset(image, rva); }
    size_t directory(int index) const { return at(image.directories[index].rva); }
    // The first data entry of the resource tree (type, name, language all first).
    size_t firstResourceData(const Bytes& b) const {
        const uint32_t root = image.directories[pe::kDirResource].rva;
        uint32_t offset = 0;
        for (int level = 0; level < 3; ++level) offset = u32(b, at(root + offset + 16 + 4)) & 0x7FFFFFFF;
        return at(root + offset);
    }
};

TEST(PeImage, ReadsTheBuiltDll) {
    const pe::Image& img = dllfile::image();
    EXPECT_EQ(img.exports.rvaOf(3), 0u) << "empty slot";
    EXPECT_EQ(img.exports.rvaOf(1), 0u) << "below the base";
    EXPECT_EQ(img.exports.rvaOf(81), 0u) << "past the end";
    EXPECT_EQ(img.exports.rvaOf(img.exports.names.at("GetInfos")), img.exports.slots[0]);
    EXPECT_NE(img.importsFrom("orvex32.DLL"), nullptr) << "DLL names compare without case";
    // Each relocated word holds an address inside the image at its preferred base.
    for (const pe::Relocation& r : img.relocations)
        EXPECT_TRUE(u32(img.mapped, r.rva) - img.imageBase < img.sizeOfImage) << std::hex << r.rva;
    EXPECT_THROW(pe::loadImage("/nonexistent/kinemo.qlm"), pe::PeError);
}

TEST(PeImage, DamagedFilesGiveClearErrors) {
    struct Case { const char* name; void (*damage)(Bytes&, const Layout&); const char* error; };
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
         [](Bytes& b, const Layout& l) { put16(b, l.at(u32(b, l.directory(pe::kDirExport) + 36)), 0xFFFF); }, "refers to slot 65535"},
        {"import DLL name outside",
         [](Bytes& b, const Layout& l) { put32(b, l.directory(pe::kDirImport) + 12, 0x7FFFFFF0); }, "import DLL name at RVA"},
        {"ordinal import with stray bits",
         [](Bytes& b, const Layout& l) {
             // The lookup table is what the reader follows: find ORVEX32's through its address table.
             const pe::Import& first = l.image.importsFrom("ORVEX32.dll")->entries.front();
             size_t d = l.directory(pe::kDirImport);
             while (u32(b, d + 16) != first.iatRva) d += 20;
             put32(b, l.at(u32(b, d)), 0x80010000u | first.ordinal);
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
    const Layout layout;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes b = dllfile::bytes();
        c.damage(b, layout);
        try {
            pe::parseImage(b, "damaged.qlm");
            ADD_FAILURE() << "no error";
        } catch (const pe::PeError& e) {
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("damaged.qlm: ", 0), 0u) << e.what();
        }
    }
}

// Random damage is the PE fuzzer's work (fuzz/pe_fuzz.cpp); here, files that
// cannot be read at all say why, in the words of the system.
TEST(PeImage, UnreadableFilesSayWhy) {
    const std::string dir = std::filesystem::temp_directory_path().string();
    const std::string missing = dir + "/kinemo_pe_missing.qlm";
    const std::pair<std::string, std::string> cases[] = {
        {missing, "cannot open " + missing + ": No such file or directory"},
        {dir, "cannot read " + dir + ": Is a directory"},
    };
    for (const auto& [path, error] : cases) {
        try {
            pe::loadImage(path);
            ADD_FAILURE() << path << ": no error";
        } catch (const pe::PeError& e) {
            EXPECT_EQ(std::string(e.what()), error);
        }
    }
}

}  // namespace
