#include "support/drivers.h"

std::string moduleTestName(const ::testing::TestParamInfo<std::string>& info) {
    return info.param == "native" ? "native" : "emulated";
}

// Every behaviour test runs on the native build and on kinemo.qlm in the emulated host.
INSTANTIATE_TEST_SUITE_P(Builds, ModuleTest, ::testing::Values(std::string("native"), std::string(KINEMO_DLL_PATH)),
                         moduleTestName);
