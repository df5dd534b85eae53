// Behaviour tests run against every build of the module: the native build
// and kinemo.qlm in the emulated host, each under Windows' default
// floating-point state and under hostile states a host may leave.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "driver/module.h"

struct ModuleVariant {
    const char* name;
    bool emulated;
    kdrv::FpState fp;
};

inline void PrintTo(const ModuleVariant& v, std::ostream* os) { *os << v.name; }

class ModuleTest : public ::testing::TestWithParam<ModuleVariant> {
protected:
    void SetUp() override {
        module_ = kdrv::openModule(GetParam().emulated ? KINEMO_DLL_PATH : "");
        module_->setHostFpState(GetParam().fp);
    }
    kdrv::Module& m() { return *module_; }

private:
    std::unique_ptr<kdrv::Module> module_;
};

// Direct3D 9's x87 precision with rounding up; SSE rounding toward zero with
// flush-to-zero and denormals-are-zero. The module must not notice either.
constexpr kdrv::FpState kX87SinglePrecisionUp = {0x087F, 0x1F80};
constexpr kdrv::FpState kMxcsrTowardZeroFtzDaz = {0x027F, 0x1F80 | 0x6000 | 0x8000 | 0x0040};
// Every exception unmasked in both units: any arithmetic the module does
// before loading its own state traps at once (SIGFPE) on the real processor.
// Unicorn raises no SSE exceptions; in the emulated host, msvcrt's maths
// under that control word, or a flag it raised left for the host, fail.
constexpr kdrv::FpState kExceptionsUnmasked = {0x0240, 0x0000};
