// Random sequences of routine calls and steps on records filled with
// arbitrary bits, with arbitrary fetched parameters. Under ASan and UBSan:
// no undefined behaviour, no write outside the records, and none inside
// them beyond what each call may change.
#include <array>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "host/exports.h"
#include "platform/host_ref.h"

namespace {

using kfuzz::check;

constexpr size_t kObjects = 2;
constexpr size_t kFloatFields = 11;  // angle .. bounceCoefficient
constexpr size_t kIntFields = 5;     // mode and the four bounds
constexpr size_t kResultFlagsEnd = kResultFlagsOffset + 2;

// Heap blocks of exactly the records' sizes, so ASan sees any overrun.
struct Records {
    RunData* rd = new RunData;
    HostRunHeader* header = new HostRunHeader;
    std::array<HostObject*, kObjects> objects{new HostObject, new HostObject};
};

FuzzedDataProvider* fetchInput = nullptr;

uint32_t KINEMO_STDCALL fetchParam(RunData*, uint32_t two, uint32_t) {
    check(two == 2, "a parameter fetch without the constant 2");
    return kfuzz::fuzzBits(*fetchInput);
}

// Arbitrary bits everywhere from a seed, so short inputs reach the calls.
template <class T>
void fillBits(uint64_t& seed, T* record) {
    auto* bytes = reinterpret_cast<uint8_t*>(record);
    for (size_t i = 0; i < sizeof(T); ++i) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        bytes[i] = static_cast<uint8_t>(seed >> 56);
    }
}

// The bytes that steer the code come straight from the input.
void overwrite(FuzzedDataProvider& in, void* record, size_t from, size_t to) {
    std::vector<uint8_t> bits = in.ConsumeBytes<uint8_t>(to - from);
    if (!bits.empty()) std::memcpy(static_cast<uint8_t*>(record) + from, bits.data(), bits.size());
}

bool isObjectParam(int code, int index) {
    const int16_t* row = GetActionInfos(nullptr, static_cast<uint32_t>(code));
    check(row != nullptr, "no descriptor row for an action");
    return index < row[2] && row[3 + index] == 1;
}

struct Snapshot {
    RunData rd;
    HostRunHeader header;
    std::array<HostObject, kObjects> objects;
};

Snapshot snapshot(const Records& r) {
    Snapshot s;
    std::memcpy(static_cast<void*>(&s.rd), r.rd, sizeof(RunData));
    std::memcpy(static_cast<void*>(&s.header), r.header, sizeof(HostRunHeader));
    for (size_t i = 0; i < kObjects; ++i) std::memcpy(static_cast<void*>(&s.objects[i]), r.objects[i], sizeof(HostObject));
    return s;
}

bool sameBytes(const void* a, const void* b, size_t from, size_t to) {
    return std::memcmp(static_cast<const uint8_t*>(a) + from, static_cast<const uint8_t*>(b) + from, to - from) == 0;
}

// The host's header part of RunData: only the float-result bit may appear.
void checkHeader(const Snapshot& before, const RunData* rd, bool mayFlagFloat) {
    check(sameBytes(before.rd.header, rd->header, 0, kResultFlagsOffset) &&
              sameBytes(before.rd.header, rd->header, kResultFlagsEnd, kHostObjectHeaderSize),
          "a routine wrote into the host's header");
    uint16_t was, now;
    std::memcpy(&was, before.rd.header + kResultFlagsOffset, 2);
    std::memcpy(&now, rd->header + kResultFlagsOffset, 2);
    check(now == was || (mayFlagFloat && now == (was | kFloatResultFlag)), "resultFlags changed beyond the float bit");
    check(rd->reserved[0] == before.rd.reserved[0] && rd->reserved[1] == before.rd.reserved[1],
          "a routine wrote the unused bytes 354-355");
}

void checkHostRecordsUntouched(const Snapshot& before, const Records& r, const HostObject* steppedTarget) {
    check(std::memcmp(&before.header, r.header, sizeof(HostRunHeader)) == 0, "the run header was written");
    for (size_t i = 0; i < kObjects; ++i) {
        const HostObject* now = r.objects[i];
        const HostObject& was = before.objects[i];
        if (now != steppedTarget) {
            check(std::memcmp(&was, now, sizeof(HostObject)) == 0, "an object was written outside a step");
            continue;
        }
        // The step writes posX, posY and the two update flags, nothing else.
        check(sameBytes(&was, now, 0, offsetof(HostObject, posX)) &&
                  sameBytes(&was, now, offsetof(HostObject, posX) + 2, offsetof(HostObject, posY)) &&
                  sameBytes(&was, now, offsetof(HostObject, posY) + 2, offsetof(HostObject, updateFlagA)),
              "the step wrote a target field other than the position and update flags");
        check(now->updateFlagA == 1 && now->updateFlagB == 1, "the step did not set both update flags");
    }
}

void pokeField(FuzzedDataProvider& in, RunData* rd) {
    const size_t field = in.ConsumeIntegralInRange<size_t>(0, kFloatFields + kIntFields - 1);
    const uint32_t bits = kfuzz::fuzzBits(in);
    std::memcpy(reinterpret_cast<uint8_t*>(rd) + offsetof(RunData, angle) + 4 * field, &bits, 4);
}

void callAction(FuzzedDataProvider& in, Records& r) {
    const int code = in.ConsumeIntegralInRange<int>(0, kActionCount - 1);
    uint32_t params[2];
    for (int i = 0; i < 2; ++i) {
        params[i] = kfuzz::fuzzBits(in);
        // Object parameters are always objects the host keeps alive.
        if (isObjectParam(code, i)) params[i] = hostRef(r.objects[in.ConsumeIntegralInRange<size_t>(0, kObjects - 1)]);
    }
    const Snapshot before = snapshot(r);
    check(actionRoutines[code](r.rd, params[0], params[1]) == 0, "an action did not return 0");
    checkHeader(before, r.rd, false);
    checkHostRecordsUntouched(before, r, nullptr);
}

void callReader(FuzzedDataProvider& in, Records& r) {
    const Snapshot before = snapshot(r);
    if (in.ConsumeBool()) {
        conditionRoutines[0](r.rd, in.ConsumeIntegral<uint32_t>(), in.ConsumeIntegral<uint32_t>());
        checkHeader(before, r.rd, false);
    } else {
        expressionRoutines[in.ConsumeIntegralInRange<int>(0, kExpressionCount - 1)](r.rd, in.ConsumeIntegral<uint32_t>());
        checkHeader(before, r.rd, true);
    }
    check(sameBytes(&before.rd, r.rd, kHostObjectHeaderSize, sizeof(RunData)), "a condition or expression wrote the motion state");
    checkHostRecordsUntouched(before, r, nullptr);
}

void step(Records& r) {
    const Snapshot before = snapshot(r);
    check(HandleRunObject(r.rd) == 2, "the step did not return 2");
    checkHeader(before, r.rd, false);
    const bool runs = before.rd.objectSet == 1 && before.rd.paused == 0;
    if (!runs) check(std::memcmp(&before.rd, r.rd, sizeof(RunData)) == 0, "a gated step changed the record");
    checkHostRecordsUntouched(before, r, runs ? hostPtrAs<HostObject>(before.rd.target) : nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Records records;
    FuzzedDataProvider in(data, size);
    fetchInput = &in;

    uint64_t seed = in.ConsumeIntegral<uint64_t>();
    fillBits(seed, records.header);
    overwrite(in, records.header, offsetof(HostRunHeader, playfieldWidth), offsetof(HostRunHeader, playfieldHeight) + 2);
    records.header->getFirstParam = hostFnRef<ParamFetch>(fetchParam);
    records.header->getNextParam = hostFnRef<ParamFetch>(fetchParam);
    for (HostObject* obj : records.objects) {
        fillBits(seed, obj);
        overwrite(in, obj, offsetof(HostObject, posX), offsetof(HostObject, imageHeight) + 2);
    }
    fillBits(seed, records.rd);
    overwrite(in, records.rd, offsetof(RunData, angle), offsetof(RunData, target));
    const HostRef header = hostRef(records.header);
    std::memcpy(records.rd->header + kRunHeaderOffset, &header, sizeof header);
    // A bound instance's target is always an object the host keeps alive.
    records.rd->target = hostRef(records.objects[0]);
    if (in.ConsumeBool()) CreateRunObject(records.rd, 0, 0);

    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange<int>(0, 4)) {
            case 0: callAction(in, records); break;
            case 1: callReader(in, records); break;
            case 2: step(records); break;
            case 3: pokeField(in, records.rd); break;
            case 4: records.rd->objectSet = in.ConsumeIntegral<uint8_t>(); break;
        }
    }
    return 0;
}
