// The validator's text sweep, steered by the input: one text entry point,
// code and parameter (with arbitrary high halves), buffer fill and host
// version, at every buffer size from 1 to 300 behind canary bytes; nothing
// the lookups load is left behind.
#include <cstdio>

#include "fuzz_support.h"
#include "platform/standin.h"
#include "validate/validate.h"

namespace {

using hostrec::kFamilies;

// One version callback for every input: it answers the version the input asks for.
uint32_t version = 0;

struct Services {
    explicit Services(kdrv::Module& m)
        : withVersion(hostrec::newEditServices(
              m, m.callback(kdrv::CallbackKind::HostVersion, [](std::span<const uint32_t>) { return version; }))),
          noVersion(hostrec::newEditServices(m, 0)) {}
    kdrv::Addr withVersion, noVersion;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::unique_ptr<kdrv::Module> module = kdrv::openNative();
    static Services services(*module);
    static kvalidate::TextBuffers buffers(*module);
    static std::vector<kvalidate::TextBuffers> objectTexts = kvalidate::objectTextBuffers(*module);
    kdrv::Module& m = *module;
    FuzzedDataProvider in(data, size);
    const bool hasVersion = in.ConsumeBool();
    version = in.ConsumeIntegral<uint32_t>();
    const kdrv::Addr slot = hasVersion ? services.withVersion : services.noVersion;
    const bool gatePasses = hasVersion && (version & 0xFFFF0000u) >= hostrec::kRecentHost;

    const int entry = in.ConsumeIntegralInRange<int>(0, 6);  // string, title of each family; GetObjInfos
    const uint8_t fill = in.ConsumeIntegral<uint8_t>();
    // The host passes 16-bit values in 32-bit slots; the high half is not theirs.
    const uint32_t high = in.ConsumeBool() ? in.ConsumeIntegral<uint32_t>() << 16 : 0;
    const hostrec::FamilyInfo& f = kFamilies[static_cast<size_t>(entry % 3)];
    const uint32_t code = static_cast<uint32_t>(in.ConsumeIntegralInRange<int>(0, f.count - 1)) | high;
    const uint32_t param = in.ConsumeIntegralInRange<uint32_t>(0, 0xFFFF) | high;
    std::snprintf(kfuzz::failureContext, sizeof kfuzz::failureContext, "entry %d, code 0x%08X, parameter 0x%08X, high 0x%08X, version slot %s",
                  entry, code, param, high, hasVersion ? "set" : "null");

    const standin::Counts before = standin::counts();
    std::vector<std::string> problems;
    if (entry == 6) {
        problems = kvalidate::objectTextProblems(objectTexts, slot, fill);
    } else if (entry < 3) {
        auto call = [&](kdrv::Addr buf, uint32_t n) { hostrec::callString(m, f, slot, code, buf, n); };
        if (auto p = kvalidate::sweepProblem(buffers, call, gatePasses, fill, high)) problems.push_back(*p);
    } else {
        auto call = [&](kdrv::Addr buf, uint32_t n) { hostrec::callTitle(m, f, slot, code, param, buf, n); };
        if (auto p = kvalidate::sweepProblem(buffers, call, true, fill, high)) problems.push_back(*p);
    }
    for (const std::string& p : problems) std::fprintf(stderr, "%s\n", p.c_str());
    kfuzz::check(problems.empty(), "a text entry point wrote its buffer wrongly");
    const standin::Counts after = standin::counts();
    kfuzz::check(after.liveMenus == before.liveMenus && after.loadedResources == before.loadedResources &&
                     after.lockedResources == before.lockedResources && after.liveAllocations == before.liveAllocations,
                 "a text entry point left a menu, resource or allocation behind");
    return 0;
}
