// The resource stand-ins: .res parsing, string blocks, resource handles,
// the module path and local memory, each with its leak counters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "host/resource_ids.h"
#include "platform/native_module.h"
#include "platform/resource_table.h"
#include "platform/standin.h"
#include "platform/winapi.h"

namespace {

constexpr uint32_t kTestModule = 0x7D000000;

HINSTANCE handle(uint32_t v) { return reinterpret_cast<HINSTANCE>(uintptr_t{v}); }

using Data = std::vector<uint8_t>;

struct Bytes {
    Data b;
    Bytes& u16(uint16_t v) {
        b.insert(b.end(), {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)});
        return *this;
    }
    Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& align4() {
        b.resize((b.size() + 3) & ~size_t{3});
        return *this;
    }
};

// One RESOURCEHEADER with numeric type and name (or a string type), then the data.
Bytes& resEntry(Bytes& f, uint16_t type, uint16_t name, uint16_t language, const Data& data, bool stringType = false) {
    Bytes header;
    if (stringType) header.u16('X').u16(0).align4();
    else header.u16(0xFFFF).u16(type);
    header.u16(0xFFFF).u16(name).align4();
    header.u32(0).u16(0x30).u16(language).u32(0).u32(0);
    f.u32(static_cast<uint32_t>(data.size())).u32(static_cast<uint32_t>(8 + header.b.size()));
    f.b.insert(f.b.end(), header.b.begin(), header.b.end());
    f.b.insert(f.b.end(), data.begin(), data.end());
    return f.align4();
}

struct PlatformResources : ::testing::Test {
    void SetUp() override { standin::reset(); }
    void TearDown() override { standin::reset(); }
};

TEST_F(PlatformResources, ResFileEntriesAreNumericAndAligned) {
    Bytes file;
    resEntry(file, 0, 0, 0, {});  // the leading empty entry
    resEntry(file, 0, 7, 1033, {9, 9}, true);
    resEntry(file, 10, 200, 1033, {1, 2, 3});
    resEntry(file, 2, 101, 2057, {4, 5, 6, 7, 8});
    const auto entries = standin::parseResFile(file.b);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(std::tuple(entries[0].type, entries[0].name, entries[0].data), std::tuple(10u, 200u, Data{1, 2, 3}));
    EXPECT_EQ(std::tuple(entries[1].language, entries[1].data), std::tuple(2057, Data{4, 5, 6, 7, 8}));

    Data pastEnd = file.b;
    pastEnd[pastEnd.size() - 40] = 0xFF;  // data size of the last entry (32-byte header, 8 of data)
    Bytes unterminated = Bytes{}.u32(0).u32(32);
    for (char c = 'A'; c <= 'L'; ++c) unterminated.u16(c);
    const std::pair<const char*, Data> bad[] = {
        {"truncated sizes", {0, 0, 0, 0}}, {"header too small", Bytes{}.u32(0).u32(8).b},
        {"data past the end", pastEnd}, {"unterminated name", unterminated.b},
    };
    for (const auto& [name, bytes] : bad) EXPECT_THROW(standin::parseResFile(bytes), std::runtime_error) << name;
}

// Block 2 holds ids 16 to 31: "a", nothing, then a string in code page 1252
// terms; in block 3 id 33 claims more than the block holds.
TEST_F(PlatformResources, StringsComeFromBlocksOfSixteen) {
    Bytes block;
    block.u16(1).u16('a').u16(0).u16(4).u16(0x20AC).u16(0xE9).u16(0x4E00).u16('z');
    for (int i = 3; i < 16; ++i) block.u16(0);
    const Bytes truncated = Bytes{}.u16(1).u16('b').u16(40).u16('c');
    platform::registerModuleResources(handle(kTestModule), {{6, 2, 1033, block.b}, {6, 3, 1033, truncated.b}});
    const std::pair<uint32_t, std::optional<std::string>> cases[] = {
        {16, "a"}, {17, std::nullopt}, {18, "\x80\xE9?z"}, {15, std::nullopt}, {32, "b"}, {33, std::nullopt},
    };
    for (const auto& [id, text] : cases) EXPECT_EQ(standin::loadString(kTestModule, id), text) << id;
}

TEST_F(PlatformResources, LoadedResourcesAreCountedUntilFreed) {
    const HMODULE module = nativeModuleHandle();
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(KINEMO_BITMAP_ICON), RT_BITMAP);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(402), RT_BITMAP), nullptr);
    EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(KINEMO_BITMAP_ICON), RT_MENU), nullptr);
    EXPECT_EQ(LoadResource(handle(kTestModule), found), nullptr);  // another module's resource

    HGLOBAL first = LoadResource(module, found);
    HGLOBAL second = LoadResource(module, found);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second);
    const auto* header = static_cast<const uint8_t*>(LockResource(first));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header[0], 40);  // a DIB: no file header
    EXPECT_EQ(standin::lockResource(standin::loadResource(0, 0)).data(), nullptr);
    standin::failCall(standin::Op::LockResource);
    EXPECT_EQ(LockResource(second), nullptr);
    EXPECT_EQ(std::pair(standin::counts().loadedResources, standin::counts().lockedResources), std::pair(2, 1));

    EXPECT_EQ(FreeResource(first), 0);
    EXPECT_EQ(FreeResource(second), 0);
    EXPECT_NE(FreeResource(first), 0);
    EXPECT_EQ(std::pair(standin::counts().loadedResources, standin::counts().lockedResources), std::pair(0, 0));
}

// A path as long as the buffer is cut by one and still ended, as current Windows does.
TEST_F(PlatformResources, StringsAndPathsAreCutAsWindowsDoes) {
    const std::string path(standin::kDefaultModulePath);
    const auto length = static_cast<int>(path.size());
    const auto native = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(nativeModuleHandle()));
    struct Case { bool path; uint32_t idOrModule; int size, result; std::string text; };  // buffer was "untouched"
    const Case cases[] = {
        {false, 131, 8, 7, "Release"}, {false, 131, 1, 0, ""},
        {false, 5027, 64, 21, "Rotate %0\xB0 towards %1"},
        {false, 0, 64, 0, ""},     // block 1 exists, entry 0 is empty
        {false, 9999, 64, 0, ""},  // no such block
        {true, native, length + 1, length, path}, {true, native, length, length, path.substr(0, length - 1)},
        {true, 0x12340000, 260, 0, "untouched"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.idOrModule << " size " << c.size);
        char buffer[260] = "untouched";
        const int result = c.path ? static_cast<int>(GetModuleFileNameA(handle(c.idOrModule), buffer, c.size))
                                  : LoadStringA(nativeModuleHandle(), c.idOrModule, buffer, c.size);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(std::string(buffer), c.text);
    }
    // A zero size gets -1 and a pointer to the read-only UTF-16 text in place of text.
    char buffer[16] = "untouched";
    EXPECT_EQ(LoadStringA(nativeModuleHandle(), 131, buffer, 0), -1);
    const char16_t* text = nullptr;
    std::memcpy(&text, buffer, sizeof text);
    EXPECT_EQ(std::u16string(text, 19), u"Release Version 1.1");
}

}  // namespace
