// Behaviour tests run against every build of the module: the native build
// and, once it is built, kinemo.qlm in the emulated host.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "driver/module.h"

class ModuleTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override { module_ = kdrv::openModule(GetParam() == "native" ? "" : GetParam()); }
    kdrv::Module& m() { return *module_; }

private:
    std::unique_ptr<kdrv::Module> module_;
};

std::string moduleTestName(const ::testing::TestParamInfo<std::string>& info);
