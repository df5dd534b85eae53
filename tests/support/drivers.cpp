#include "support/drivers.h"

std::string moduleTestName(const ::testing::TestParamInfo<std::string>& info) {
    return info.param == "native" ? "native" : "emulated";
}

// The emulated build joins once the emulated host can load kinemo.qlm.
INSTANTIATE_TEST_SUITE_P(Builds, ModuleTest, ::testing::Values(std::string("native")), moduleTestName);
