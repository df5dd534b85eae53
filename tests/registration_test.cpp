#include <gtest/gtest.h>

#include "driver/module.h"
#include "support/drivers.h"

using namespace kdrv;

TEST_P(ModuleTest, GetInfosAnswersOnlySelectorZero) {
    EXPECT_EQ(m().call("GetInfos", {0}), 768u);
    EXPECT_EQ(m().call("GetInfos", {1}), 0u);
    EXPECT_EQ(m().call("GetInfos", {0xFFFFFFFF}), 0u);
}
