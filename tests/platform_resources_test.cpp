// The resource stand-ins: .res parsing, string blocks, resource handles,
// the module path and local memory, each with its leak counters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/native_module.h"
#include "platform/resource_table.h"
#include "platform/standin.h"
#include "platform/winapi.h"

namespace {

constexpr uint32_t kTestModule = 0x7D000000;

HINSTANCE handle(uint32_t v) { return reinterpret_cast<HINSTANCE>(uintptr_t{v}); }

struct Bytes {
    std::vector<uint8_t> b;
    Bytes& u16(uint16_t v) {
        b.push_back(v & 0xFF);
        b.push_back(v >> 8);
        return *this;
    }
    Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& raw(std::vector<uint8_t> v) {
        b.insert(b.end(), v.begin(), v.end());
        return *this;
    }
    Bytes& align4() {
        while (b.size() % 4) b.push_back(0);
        return *this;
    }
};

// One RESOURCEHEADER with numeric type and name (or a string type), then the data.
Bytes& resEntry(Bytes& f, uint16_t type, uint16_t name, uint16_t language, std::vector<uint8_t> data,
                bool stringType = false) {
    Bytes header;
    if (stringType) {
        header.u16('X').u16(0).align4();
    } else {
        header.u16(0xFFFF).u16(type);
    }
    header.u16(0xFFFF).u16(name).align4();
    header.u32(0).u16(0x30).u16(language).u32(0).u32(0);
    f.u32(static_cast<uint32_t>(data.size())).u32(static_cast<uint32_t>(8 + header.b.size()));
    f.raw(header.b).raw(std::move(data)).align4();
    return f;
}

class PlatformResources : public ::testing::Test {
protected:
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
    EXPECT_EQ(entries[0].type, 10u);
    EXPECT_EQ(entries[0].name, 200u);
    EXPECT_EQ(entries[0].data, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(entries[1].language, 2057);
    EXPECT_EQ(entries[1].data, (std::vector<uint8_t>{4, 5, 6, 7, 8}));

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> pastEnd = file.b;
    pastEnd[pastEnd.size() - 40] = 0xFF;  // data size of the last entry (32-byte header, 8 of data)
    Bytes tiny;
    tiny.u32(0).u32(8);
    Bytes unterminated;
    unterminated.u32(0).u32(32).u16('A').u16('B').u16('C').u16('D').u16('E').u16('F').u16('G').u16('H')
        .u16('I').u16('J').u16('K').u16('L');
    const Case bad[] = {
        {"truncated sizes", {0, 0, 0, 0}},
        {"header too small", tiny.b},
        {"data past the end", pastEnd},
        {"unterminated name", unterminated.b},
    };
    for (const Case& c : bad) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(standin::parseResFile(c.bytes), std::runtime_error);
    }
}

TEST_F(PlatformResources, StringsComeFromBlocksOfSixteen) {
    // Block 2 holds ids 16 to 31: "a", nothing, then a string in code page 1252 terms.
    Bytes block;
    block.u16(1).u16('a').u16(0).u16(4).u16(0x20AC).u16(0xE9).u16(0x4E00).u16('z');
    for (int i = 3; i < 16; ++i) block.u16(0);
    Bytes truncated;
    truncated.u16(1).u16('b').u16(40).u16('c');  // id 33 claims more than the block holds
    platform::registerModuleResources(handle(kTestModule), {{6, 2, 1033, block.b}, {6, 3, 1033, truncated.b}});
    struct Case {
        uint32_t id;
        bool found;
        std::string text;
    };
    const Case cases[] = {
        {16, true, "a"}, {17, false, ""}, {18, true, "\x80\xE9?z"}, {31, false, ""},
        {15, false, ""}, {32, true, "b"}, {33, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const auto text = standin::loadString(kTestModule, c.id);
        EXPECT_EQ(text.has_value(), c.found);
        if (text) {
            EXPECT_EQ(*text, c.text);
        }
    }
}

TEST_F(PlatformResources, LoadStringCutsAndEmptiesAsWindowsDoes) {
    struct Case {
        UINT id;
        int size;
        int result;
        std::string text;  // the buffer starts as "untouched"
    };
    const Case cases[] = {
        {131, 255, 19, "Release Version 1.1"},
        {131, 8, 7, "Release"},
        {131, 1, 0, ""},
        {131, 0, 0, "untouched"},
        {5027, 64, 21, "Rotate %0\xB0 towards %1"},
        {1, 64, 4, "KNMO"},
        {4, 64, 18, " %s :Kinemo object"},
        {0, 64, 0, ""},     // block 1 exists, entry 0 is empty
        {9999, 64, 0, ""},  // no such block
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " size " << c.size);
        char buffer[255] = "untouched";
        EXPECT_EQ(LoadStringA(nativeModuleHandle(), c.id, buffer, c.size), c.result);
        EXPECT_EQ(std::string(buffer), c.text);
    }
}

TEST_F(PlatformResources, LoadedResourcesAreCountedUntilFreed) {
    HRSRC found = FindResourceA(nativeModuleHandle(), MAKEINTRESOURCEA(400), RT_BITMAP);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(FindResourceA(nativeModuleHandle(), MAKEINTRESOURCEA(402), RT_BITMAP), nullptr);
    EXPECT_EQ(FindResourceA(nativeModuleHandle(), MAKEINTRESOURCEA(400), RT_MENU), nullptr);
    EXPECT_EQ(LoadResource(handle(kTestModule), found), nullptr);  // another module's resource

    HGLOBAL first = LoadResource(nativeModuleHandle(), found);
    HGLOBAL second = LoadResource(nativeModuleHandle(), found);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second);
    const auto* header = static_cast<const uint8_t*>(LockResource(first));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header[0], 40);  // a DIB: no file header
    EXPECT_EQ(standin::lockResource(standin::loadResource(0, 0)).data(), nullptr);
    EXPECT_EQ(standin::counts().loadedResources, 2);
    EXPECT_EQ(standin::counts().lockedResources, 1);

    standin::failCall(standin::Op::LockResource);
    EXPECT_EQ(LockResource(second), nullptr);
    EXPECT_EQ(standin::counts().lockedResources, 1);

    EXPECT_EQ(FreeResource(first), 0);
    EXPECT_EQ(FreeResource(second), 0);
    EXPECT_NE(FreeResource(first), 0);
    EXPECT_EQ(standin::counts().loadedResources, 0);
    EXPECT_EQ(standin::counts().lockedResources, 0);

    standin::failCall(standin::Op::FindResource);
    EXPECT_EQ(FindResourceA(nativeModuleHandle(), MAKEINTRESOURCEA(400), RT_BITMAP), nullptr);
    standin::failCall(standin::Op::LoadResource);
    EXPECT_EQ(LoadResource(nativeModuleHandle(), found), nullptr);
    EXPECT_EQ(standin::counts().loadedResources, 0);
}

TEST_F(PlatformResources, ModuleFileNameIsCutLikeCurrentWindows) {
    const std::string path(standin::kDefaultModulePath);
    struct Case {
        uint32_t module;
        DWORD size;
        DWORD result;
        std::string text;
    };
    const uint32_t native = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(nativeModuleHandle()));
    const Case cases[] = {
        {native, static_cast<DWORD>(path.size()) + 1, static_cast<DWORD>(path.size()), path},
        {native, static_cast<DWORD>(path.size()), static_cast<DWORD>(path.size()), path.substr(0, path.size() - 1)},
        {0x12340000, 260, 0, "untouched"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        char buffer[260] = "untouched";
        EXPECT_EQ(GetModuleFileNameA(handle(c.module), buffer, c.size), c.result);
        EXPECT_EQ(std::string(buffer), c.text);
    }
}

TEST_F(PlatformResources, LocalMemoryIsZeroedAndCounted) {
    auto* block = static_cast<uint8_t*>(LocalAlloc(LMEM_ZEROINIT, 260));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::count(block, block + 260, 0), 260);
    EXPECT_EQ(standin::counts().liveAllocations, 1);
    int notOurs = 0;
    EXPECT_EQ(LocalFree(&notOurs), &notOurs);
    EXPECT_EQ(LocalFree(block), nullptr);
    EXPECT_EQ(standin::counts().liveAllocations, 0);

    standin::failCall(standin::Op::LocalAlloc);
    EXPECT_EQ(LocalAlloc(LMEM_ZEROINIT, 16), nullptr);
    EXPECT_EQ(standin::counts().liveAllocations, 0);

    standin::noteAllocation(0x50001000, 260);  // the emulated host's own blocks
    EXPECT_EQ(standin::counts().liveAllocations, 1);
    EXPECT_TRUE(standin::noteFree(0x50001000));
    EXPECT_FALSE(standin::noteFree(0x50001000));
}

}  // namespace
