// The validator's random run-time calls, steered by the input: records of
// arbitrary bits, arbitrary fetched parameters. Under ASan and UBSan: no
// undefined behaviour, no write outside the records, and none inside them
// beyond what each call may change.
#include <climits>
#include <cstdio>

#include "fuzz_support.h"
#include "validate/validate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::unique_ptr<kdrv::Module> module = kdrv::openNative();
    static kvalidate::Host host = kvalidate::newHost(*module);
    static std::shared_ptr<kvalidate::RandomStage> stage = kvalidate::newRandomStage(host);
    FuzzedDataProvider in(data, size);
    kfuzz::InputSource source(in);
    if (auto problem = kvalidate::playRandomCalls(*stage, source, INT_MAX)) {
        std::snprintf(kfuzz::failureContext, sizeof kfuzz::failureContext, "%.250s", problem->c_str());
        kfuzz::fail("a random run-time call broke the host contract");
    }
    return 0;
}
