// The resource stand-ins: string blocks, resource handles and the module
// path, each with its leak counters.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "host/resource_ids.h"
#include "standins/resource_table.h"
#include "standins/standin.h"
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
};

struct PlatformResources : ::testing::Test {
    void SetUp() override { standin::reset(); }
    void TearDown() override { standin::reset(); }
};

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

// A path as long as the buffer fills it with no terminating zero, as Wine does.
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
        {true, native, length + 1, length, path}, {true, native, length, length, path},
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
    // A zero size gets -1 and nothing written (LoadStringW would write a pointer).
    char buffer[16] = "untouched";
    EXPECT_EQ(LoadStringA(nativeModuleHandle(), 131, buffer, 0), -1);
    EXPECT_EQ(std::string(buffer), "untouched");
}

}  // namespace
