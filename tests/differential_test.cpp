// The native build and kinemo.qlm in the emulated host, side by side from a
// fixed seed: bit-identical records, targets and results after every call.
#include <gtest/gtest.h>

#include "support/drivers.h"
#include "validate/validate.h"

namespace {

constexpr uint32_t kSeed = 0x6B696E65;
constexpr int kFrames = 12000;

// Each side may run under a host's hostile floating-point state: the module
// must give the default state's bits whatever it was called with, so the two
// sides still agree when each plays a different state.
struct Pairing {
    const char* name;
    kdrv::FpState native, emulated;
    int frames;
};

void PrintTo(const Pairing& p, std::ostream* os) { *os << p.name; }

class Differential : public ::testing::TestWithParam<Pairing> {};

TEST_P(Differential, NativeAndEmulatedAgreeBitForBit) {
    const Pairing& p = GetParam();
    auto native = kdrv::openNative();
    auto emulated = kdrv::openEmulated(KINEMO_DLL_PATH);
    native->setHostFpState(p.native);
    emulated->setHostFpState(p.emulated);
    const kvalidate::Comparison run = kvalidate::compareBuilds(*native, *emulated, kSeed, p.frames);
    ASSERT_TRUE(run.difference.empty()) << run.difference;
    RecordProperty("nanMatches", run.nanMatches);
}

// The hostile pairings replay the first quarter only, to keep the suite quick.
INSTANTIATE_TEST_SUITE_P(FpStates, Differential,
                         ::testing::Values(Pairing{"default", {}, {}, kFrames},
                                           Pairing{"native_mxcsr_rz_ftz_daz_emulated_x87_24_up", kMxcsrTowardZeroFtzDaz,
                                                   kX87SinglePrecisionUp, kFrames / 4},
                                           Pairing{"native_x87_24_up_emulated_mxcsr_rz_ftz_daz", kX87SinglePrecisionUp,
                                                   kMxcsrTowardZeroFtzDaz, kFrames / 4}),
                         [](const ::testing::TestParamInfo<Pairing>& info) { return std::string(info.param.name); });

}  // namespace
