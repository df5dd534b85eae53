#include "support/drivers.h"

namespace {
std::string variantName(const ::testing::TestParamInfo<ModuleVariant>& info) { return info.param.name; }
}  // namespace

// Every behaviour test runs on each build's drivers, each in the default state
// and the hostile ones: natively the module linked in and kinemo.qlm in the
// emulated host; on win64 the module linked in and its DLL loaded by Windows.
#if defined(_WIN32)
INSTANTIATE_TEST_SUITE_P(Builds, ModuleTest,
                         ::testing::Values(ModuleVariant{"win64", false, {}},
                                           ModuleVariant{"win64_x87_24_up", false, kX87SinglePrecisionUp},
                                           ModuleVariant{"win64_mxcsr_rz_ftz_daz", false, kMxcsrTowardZeroFtzDaz},
                                           ModuleVariant{"win64_exceptions_unmasked", false, kExceptionsUnmasked},
                                           ModuleVariant{"win64_dll", true, {}},
                                           ModuleVariant{"win64_dll_mxcsr_rz_ftz_daz", true, kMxcsrTowardZeroFtzDaz}),
                         variantName);
#else
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
#endif
