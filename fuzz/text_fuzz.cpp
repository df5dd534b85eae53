// Every text entry point at every buffer size from 1 to 300, with canary
// bytes after the buffer: texts are cut to size - 1 plus a zero, nothing is
// written past the buffer, a failed version gate leaves it untouched, and
// nothing the lookups load is left behind.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "host/exports.h"
#include "platform/host_ref.h"
#include "standins/resource_table.h"
#include "standins/standin.h"

namespace {

using kfuzz::check;

constexpr int kMaxSize = 300;
constexpr size_t kCanary = 16;
constexpr uint8_t kCanaryByte = 0xA5;

uint32_t hostVersion = 0;
uint32_t KINEMO_STDCALL reportVersion() { return hostVersion; }

enum Entry { ConditionString, ActionString, ExpressionString, ConditionTitle, ActionTitle, ExpressionTitle, ObjInfos };

struct Request {
    Entry entry;
    uint32_t code, param;  // 16-bit values in the low half
    HostEditServices* services;
};

int rowCount(Entry e) {
    switch (e) {
        case ActionString: case ActionTitle: return kActionCount;
        case ExpressionString: case ExpressionTitle: return kExpressionCount;
        default: return kConditionCount;
    }
}

void call(const Request& q, char* buffer, uint32_t size) {
    switch (q.entry) {
        case ConditionString: GetConditionString(q.services, q.code, buffer, size); break;
        case ActionString: GetActionString(q.services, q.code, buffer, size); break;
        case ExpressionString: GetExpressionString(q.services, q.code, buffer, size); break;
        case ConditionTitle: GetConditionTitle(q.services, q.code, q.param, buffer, size); break;
        case ActionTitle: GetActionTitle(q.services, q.code, q.param, buffer, size); break;
        case ExpressionTitle: GetExpressionTitle(q.services, q.code, buffer, size); break;
        case ObjInfos: break;
    }
}

// A buffer of `size` bytes filled with `fill`, then the canary.
struct Buffer {
    explicit Buffer(size_t size, uint8_t fill) : bytes(size + kCanary, kCanaryByte), size(size) {
        std::memset(bytes.data(), fill, size);
    }
    char* data() { return reinterpret_cast<char*>(bytes.data()); }
    bool canaryIntact() const {
        for (size_t i = size; i < bytes.size(); ++i)
            if (bytes[i] != kCanaryByte) return false;
        return true;
    }
    bool untouched(uint8_t fill) const {
        for (size_t i = 0; i < size; ++i)
            if (bytes[i] != fill) return false;
        return true;
    }
    // The text up to its zero; nothing when there is no zero in the buffer.
    bool text(std::string& out) const {
        const void* zero = std::memchr(bytes.data(), 0, size);
        if (zero == nullptr) return false;
        out.assign(reinterpret_cast<const char*>(bytes.data()), static_cast<const uint8_t*>(zero) - bytes.data());
        return true;
    }
    std::vector<uint8_t> bytes;
    size_t size;
};

void describe(const Request& q, uint32_t size) {
    std::snprintf(kfuzz::failureContext, sizeof kfuzz::failureContext,
                  "entry %d, code 0x%08X, parameter 0x%08X, size 0x%08X, version slot %s", q.entry, q.code, q.param,
                  size, q.services->getHostVersion ? "set" : "null");
}

void sweepSizes(const Request& q, bool writes, uint8_t fill, uint32_t sizeHigh) {
    describe(q, kMaxSize | sizeHigh);
    Buffer whole(kMaxSize, fill);
    call(q, whole.data(), kMaxSize | sizeHigh);
    std::string full;
    if (writes) check(whole.text(full), "no terminating zero in a 300-byte buffer");
    for (int size = 1; size <= kMaxSize; ++size) {
        Buffer b(static_cast<size_t>(size), fill);
        describe(q, static_cast<uint32_t>(size) | sizeHigh);
        call(q, b.data(), static_cast<uint32_t>(size) | sizeHigh);
        check(b.canaryIntact(), "a text entry point wrote past the buffer");
        if (!writes) {
            check(b.untouched(fill), "a failed version gate still wrote the buffer");
            continue;
        }
        std::string got;
        check(b.text(got), "a text without its terminating zero");
        check(got == full.substr(0, static_cast<size_t>(size - 1)), "a text not cut to size - 1");
    }
}

// The five texts are loaded with a size of 255 whatever the host's buffers:
// any buffer longer than its text must keep its canary.
void objectTexts(HostEditServices* services, uint8_t fill) {
    std::vector<Buffer> wide(5, Buffer(kMaxSize, fill));
    GetObjInfos(services, 0, wide[0].data(), wide[1].data(), wide[2].data(), wide[3].data(), wide[4].data());
    std::vector<std::string> full(5);
    size_t longest = 0;
    for (size_t i = 0; i < 5; ++i) {
        check(wide[i].text(full[i]) && full[i].size() <= 254, "an object text not cut at 254 characters");
        longest = std::max(longest, full[i].size());
    }
    for (size_t size = longest + 1; size <= kMaxSize; ++size) {
        std::vector<Buffer> b(5, Buffer(size, fill));
        GetObjInfos(services, 0, b[0].data(), b[1].data(), b[2].data(), b[3].data(), b[4].data());
        for (size_t i = 0; i < 5; ++i) {
            std::string got;
            check(b[i].canaryIntact(), "GetObjInfos wrote past a buffer longer than its text");
            check(b[i].text(got) && got == full[i], "GetObjInfos gave a different text");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static HostEditServices* services = [] {
        DllMain(nativeModuleHandle(), DLL_PROCESS_ATTACH, nullptr);
        return new HostEditServices{};
    }();
    FuzzedDataProvider in(data, size);
    const bool hasVersion = in.ConsumeBool();
    hostVersion = in.ConsumeIntegral<uint32_t>();
    std::memset(static_cast<void*>(services), 0, sizeof *services);
    services->getHostVersion = hasVersion ? hostFnRef<HostVersionFn>(reportVersion) : 0;
    const bool gatePasses = hasVersion && (hostVersion & 0xFFFF0000u) >= 0x01050000u;

    const auto entry = static_cast<Entry>(in.ConsumeIntegralInRange<int>(ConditionString, ObjInfos));
    const uint8_t fill = in.ConsumeIntegral<uint8_t>();
    // The host passes 16-bit values in 32-bit slots; the high half is not theirs.
    const uint32_t high = in.ConsumeBool() ? in.ConsumeIntegral<uint32_t>() << 16 : 0;
    const Request q{entry, static_cast<uint32_t>(in.ConsumeIntegralInRange<int>(0, rowCount(entry) - 1)) | high,
                    in.ConsumeIntegralInRange<uint32_t>(0, 0xFFFF) | high, services};

    const standin::Counts before = standin::counts();
    if (entry == ObjInfos) {
        objectTexts(services, fill);
    } else {
        const bool isString = entry <= ExpressionString;
        sweepSizes(q, !isString || gatePasses, fill, high);
    }
    const standin::Counts after = standin::counts();
    check(after.liveMenus == before.liveMenus && after.loadedResources == before.loadedResources &&
              after.lockedResources == before.lockedResources && after.liveAllocations == before.liveAllocations,
          "a text entry point left a menu, resource or allocation behind");
    return 0;
}
