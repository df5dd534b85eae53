#include "editor_builds.h"

#include <vector>

namespace {

using kdrv::OrvexConvention;

constexpr uint32_t kWholeObject = 4096;

#if defined(_WIN32)
// win64: the module linked in, and its DLL loaded by Windows.
std::vector<EditTimeBuild> builds() { return {{"win64", false, {}}, {"win64_dll", true, {}}}; }
#else
std::vector<EditTimeBuild> builds() {
    std::vector<EditTimeBuild> all{{"native", false, {}}};
    for (const OrvexConvention convention : {OrvexConvention::Stdcall, OrvexConvention::Cdecl})
        for (const uint32_t objectBytes : {0u, kWholeObject}) {
            const std::string name = std::string(convention == OrvexConvention::Cdecl ? "emulated_cdecl" : "emulated") +
                                     (objectBytes != 0 ? "_full_image" : "");
            all.push_back({name, true, {.fp = {}, .orvexConvention = convention, .orvexImageBytes = objectBytes}});
        }
    all.push_back({"emulated_one_slot_too_many", true, {.fp = {}, .orvexConvention = OrvexConvention::StdcallOneSlotTooMany}});
    return all;
}
#endif

}  // namespace

void EditTimeTest::SetUp() {
#if defined(_WIN32)
    module_ = GetParam().emulated ? kdrv::openModuleFile(KINEMO_DLL_PATH) : kdrv::openNative();
#else
    module_ = GetParam().emulated ? kdrv::openEmulated(KINEMO_DLL_PATH, GetParam().options) : kdrv::openNative();
#endif
}

INSTANTIATE_TEST_SUITE_P(Builds, EditTimeTest, ::testing::ValuesIn(builds()),
                         [](const ::testing::TestParamInfo<EditTimeBuild>& info) { return info.param.name; });
