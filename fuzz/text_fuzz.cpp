// The validator's text sweep, steered by the input: one text entry point,
// code and parameter (with arbitrary high halves), buffer fill and host
// version, at every buffer size from 1 to 300 behind canary bytes; nothing
// the lookups load is left behind.
#include <cstdio>

#include "fuzz_support.h"
#include "standins/standin.h"
#include "validate/validate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::unique_ptr<kdrv::Module> module = kdrv::openNative();
    static std::shared_ptr<kvalidate::TextStage> stage = kvalidate::newTextStage(*module);
    FuzzedDataProvider in(data, size);
    kfuzz::InputSource source(in);
    const standin::Counts before = standin::counts();
    const std::vector<std::string> problems = kvalidate::randomTextProblems(*stage, source);
    for (const std::string& p : problems) std::fprintf(stderr, "%s\n", p.c_str());
    kfuzz::check(problems.empty(), "a text entry point wrote its buffer wrongly");
    const standin::Counts after = standin::counts();
    kfuzz::check(after.liveMenus == before.liveMenus && after.loadedResources == before.loadedResources &&
                     after.lockedResources == before.lockedResources && after.liveAllocations == before.liveAllocations,
                 "a text entry point left a menu, resource or allocation behind");
    return 0;
}
