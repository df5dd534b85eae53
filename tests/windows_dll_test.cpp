// The loader's side of the contract on Windows (win64 under Wine): the DLL
// attached by LoadLibraryA, its entry points by ordinal and by name, the
// empty ordinal slots, and resources found through the handle the attach
// stored. The ordinals are the host's, written here from its list.
#if defined(_WIN32)
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

struct Export {
    const char* name;
    WORD ordinal;
};
constexpr Export kExports[] = {
    {"GetInfos", 2}, {"LoadObject", 6}, {"UnloadObject", 7}, {"PutObject", 8}, {"RemoveObject", 9},
    {"MakeIcon", 10}, {"AppendPopup", 12}, {"SelectPopup", 13}, {"CreateObject", 14}, {"ModifyObject", 15},
    {"RebuildExt", 16}, {"EndModifyObject", 17}, {"GetObjectRect", 19}, {"EditorDisplay", 20},
    {"IsTransparent", 21}, {"PrepareToWriteObject", 22}, {"UpdateFileNames", 23}, {"EnumElts", 24},
    {"Initialize", 25}, {"Free", 26}, {"UsesFile", 30}, {"CreateFromFile", 31}, {"GetObjInfos", 36},
    {"CreateRunObject", 50}, {"DestroyRunObject", 51}, {"HandleRunObject", 52}, {"DisplayRunObject", 53},
    {"PauseRunObject", 57}, {"ContinueRunObject", 58}, {"GetRunObjectInfos", 59}, {"GetConditionMenu", 60},
    {"GetActionMenu", 61}, {"GetExpressionMenu", 62}, {"GetConditionCodeFromMenu", 63},
    {"GetActionCodeFromMenu", 64}, {"GetExpressionCodeFromMenu", 65}, {"GetConditionString", 66},
    {"GetActionString", 67}, {"GetExpressionString", 68}, {"GetConditionTitle", 72}, {"GetActionTitle", 73},
    {"GetExpressionTitle", 74}, {"GetConditionInfos", 75}, {"GetActionInfos", 76}, {"GetExpressionInfos", 77},
    {"UpdateEditStructure", 78}, {"GetRunObjectDataSize", 80},
};

FARPROC byOrdinal(HMODULE dll, WORD ordinal) { return GetProcAddress(dll, MAKEINTRESOURCEA(ordinal)); }

TEST(WindowsDll, EntryPointsByOrdinalAndNameAndNothingBetween) {
    HMODULE dll = LoadLibraryA(KINEMO_DLL_PATH);
    ASSERT_NE(dll, nullptr) << KINEMO_DLL_PATH;
    std::set<WORD> used;
    for (const Export& e : kExports) {
        SCOPED_TRACE(e.name);
        used.insert(e.ordinal);
        EXPECT_NE(byOrdinal(dll, e.ordinal), nullptr);
        EXPECT_EQ(reinterpret_cast<void*>(byOrdinal(dll, e.ordinal)), reinterpret_cast<void*>(GetProcAddress(dll, e.name)));
    }
    EXPECT_EQ(used.size(), 47u);
    for (WORD ordinal = 2; ordinal <= 80; ++ordinal)
        if (!used.contains(ordinal)) {
            EXPECT_EQ(byOrdinal(dll, ordinal), nullptr) << "slot " << ordinal;
        }
    EXPECT_EQ(byOrdinal(dll, 1), nullptr);
    EXPECT_EQ(byOrdinal(dll, 81), nullptr);
    FreeLibrary(dll);
}

// The resources compiled into the DLL are found through its own handle, the
// one its attach stores (the edit-time suite's win64_dll rows use them).
TEST(WindowsDll, ResourcesComeThroughItsOwnHandle) {
    HMODULE dll = LoadLibraryA(KINEMO_DLL_PATH);
    ASSERT_NE(dll, nullptr);
    char text[64] = {};
    EXPECT_EQ(LoadStringA(dll, 131, text, sizeof text), 19);
    EXPECT_STREQ(text, "Release Version 1.1");
    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(dll, path, sizeof path), 0u);
    EXPECT_NE(std::string(path).find("kinemo64.dll"), std::string::npos) << path;
    FreeLibrary(dll);
}

}  // namespace
#endif
