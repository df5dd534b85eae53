#include "editor_builds.h"

#include <vector>

namespace {

using kdrv::OrvexConvention;

constexpr uint32_t kWholeObject = 4096;

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

}  // namespace

void EditTimeTest::SetUp() {
    module_ = GetParam().emulated ? kdrv::openEmulated(KINEMO_DLL_PATH, GetParam().options) : kdrv::openNative();
}

INSTANTIATE_TEST_SUITE_P(Builds, EditTimeTest, ::testing::ValuesIn(builds()),
                         [](const ::testing::TestParamInfo<EditTimeBuild>& info) { return info.param.name; });
