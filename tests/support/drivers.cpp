#include "support/drivers.h"

namespace {
std::string variantName(const ::testing::TestParamInfo<ModuleVariant>& info) { return info.param.name; }
}  // namespace

// Every behaviour test runs on both builds, each in the default state and the hostile ones.
INSTANTIATE_TEST_SUITE_P(Builds, ModuleTest,
                         ::testing::Values(ModuleVariant{"native", false, {}},
                                           ModuleVariant{"native_x87_24_up", false, kX87SinglePrecisionUp},
                                           ModuleVariant{"native_mxcsr_rz_ftz_daz", false, kMxcsrTowardZeroFtzDaz},
                                           ModuleVariant{"native_exceptions_unmasked", false, kExceptionsUnmasked},
                                           ModuleVariant{"emulated", true, {}},
                                           ModuleVariant{"emulated_x87_24_up", true, kX87SinglePrecisionUp},
                                           ModuleVariant{"emulated_mxcsr_rz_ftz_daz", true, kMxcsrTowardZeroFtzDaz},
                                           ModuleVariant{"emulated_exceptions_unmasked", true, kExceptionsUnmasked}),
                         variantName);
