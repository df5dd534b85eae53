// Every text entry point at every buffer size from 1 to 300, each buffer
// followed by canary bytes: texts cut to size - 1 plus a zero, nothing past
// the buffer, nothing at all behind a failed version gate.
#include <algorithm>
#include <array>
#include <cstring>

#include "validate/validate.h"

namespace kvalidate {
namespace {

constexpr uint8_t kFill = 0x7E;
constexpr size_t kObjectTexts = 5;
// GetObjInfos loads each text with a size of 255 whatever the host's buffers.
constexpr size_t kObjectTextLimit = 254;

std::optional<std::string> textUpToZero(std::span<const uint8_t> bytes, size_t size) {
    const void* zero = std::memchr(bytes.data(), 0, size);
    if (zero == nullptr) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(bytes.data()), static_cast<const uint8_t*>(zero) - bytes.data());
}

}  // namespace

TextBuffers::TextBuffers(kdrv::Module& module) : m(module), at(kMaxSize + 1) {
    for (uint32_t size = 1; size <= kMaxSize; ++size) at[size] = m.alloc(size + static_cast<uint32_t>(kCanaryBytes));
}

kdrv::Addr TextBuffers::prepare(uint32_t size, uint8_t fill) {
    uint8_t* p = m.bytes(at[size]);
    std::memset(p, fill, size);
    std::memset(p + size, kCanaryByte, kCanaryBytes);
    return at[size];
}

std::span<const uint8_t> TextBuffers::read(uint32_t size) { return {m.bytes(at[size]), size + kCanaryBytes}; }

std::optional<std::string> textProblem(std::span<const uint8_t> bufferAndCanary, size_t size, uint8_t fill,
                                       const std::optional<std::string>& expected) {
    for (size_t i = size; i < size + kCanaryBytes && i < bufferAndCanary.size(); ++i)
        if (bufferAndCanary[i] != kCanaryByte) return "wrote past the buffer (byte " + std::to_string(i) + ")";
    if (!expected) {
        for (size_t i = 0; i < size; ++i)
            if (bufferAndCanary[i] != fill) return "wrote into a buffer it must leave untouched (byte " + std::to_string(i) + ")";
        return std::nullopt;
    }
    const std::optional<std::string> got = textUpToZero(bufferAndCanary, size);
    if (!got) return std::string("no terminating zero");
    const std::string want = expected->substr(0, size - 1);
    if (*got != want) return "gave \"" + *got + "\", expected \"" + want + "\"";
    return std::nullopt;
}

std::optional<std::string> sweepProblem(TextBuffers& b, const TextCall& call, bool writes, uint8_t fill, uint32_t sizeHigh) {
    constexpr uint32_t kMax = TextBuffers::kMaxSize;
    std::optional<std::string> whole;
    if (writes) {
        call(b.prepare(kMax, fill), kMax | sizeHigh);
        whole = textUpToZero(b.read(kMax), kMax);
        if (!whole) return "no terminating zero in a 300-byte buffer";
    }
    for (uint32_t size = 1; size <= kMax; ++size) {
        call(b.prepare(size, fill), size | sizeHigh);
        if (auto p = textProblem(b.read(size), size, fill, whole)) return "at size " + std::to_string(size) + ": " + *p;
    }
    return std::nullopt;
}

std::vector<TextBuffers> objectTextBuffers(kdrv::Module& m) {
    std::vector<TextBuffers> slots;
    for (size_t i = 0; i < kObjectTexts; ++i) slots.emplace_back(m);
    return slots;
}

std::vector<std::string> objectTextProblems(std::vector<TextBuffers>& slots, kdrv::Addr services, uint8_t fill) {
    kdrv::Module& m = slots[0].m;
    auto callInfos = [&](uint32_t size) {
        m.call("GetObjInfos", {services, 0, slots[0].prepare(size, fill), slots[1].prepare(size, fill),
                               slots[2].prepare(size, fill), slots[3].prepare(size, fill), slots[4].prepare(size, fill)});
    };
    std::vector<std::string> problems;
    callInfos(TextBuffers::kMaxSize);
    std::array<std::string, kObjectTexts> whole;
    size_t longest = 0;
    for (size_t i = 0; i < kObjectTexts; ++i) {
        const std::optional<std::string> text = textUpToZero(slots[i].read(TextBuffers::kMaxSize), TextBuffers::kMaxSize);
        whole[i] = text.value_or("");
        if (!text || whole[i].size() > kObjectTextLimit) problems.push_back("text " + std::to_string(i) + " is not cut at 254 characters");
        longest = std::max(longest, whole[i].size());
    }
    if (whole[0].empty()) problems.push_back("no object name");
    for (uint32_t size = static_cast<uint32_t>(longest) + 1; size <= TextBuffers::kMaxSize && problems.empty(); ++size) {
        callInfos(size);
        for (size_t i = 0; i < kObjectTexts; ++i)
            if (auto p = textProblem(slots[i].read(size), size, fill, whole[i]))
                problems.push_back("text " + std::to_string(i) + " at size " + std::to_string(size) + ": " + *p);
    }
    return problems;
}

struct TextStage {
    explicit TextStage(kdrv::Module& module)
        : m(module),
          withVersion(hostrec::newEditServices(
              m, m.callback(kdrv::CallbackKind::HostVersion, [this](std::span<const uint32_t>) { return version; }))),
          noVersion(hostrec::newEditServices(m, 0)),
          buffers(m),
          objectTexts(objectTextBuffers(m)) {}
    kdrv::Module& m;
    uint32_t version = 0;  // what the version callback answers
    kdrv::Addr withVersion, noVersion;
    TextBuffers buffers;
    std::vector<TextBuffers> objectTexts;
};

std::shared_ptr<TextStage> newTextStage(kdrv::Module& m) { return std::make_shared<TextStage>(m); }

std::vector<std::string> randomTextProblems(TextStage& s, ByteSource& source) {
    const bool hasVersion = source.below(2) != 0;
    s.version = source.bits();
    const kdrv::Addr services = hasVersion ? s.withVersion : s.noVersion;
    const bool gatePasses = hasVersion && (s.version & 0xFFFF0000u) >= hostrec::kRecentHost;
    const uint32_t entry = source.below(7);  // each family's string, then its title; GetObjInfos
    const auto fill = static_cast<uint8_t>(source.below(256));
    // The host passes 16-bit values in 32-bit slots; the high half is not theirs.
    const uint32_t high = source.below(2) ? source.bits() << 16 : 0;
    const FamilyFacts& f = kFamilies[entry % 3];
    const uint32_t code = source.below(static_cast<uint32_t>(f.count)) | high;
    const uint32_t param = source.below(0x10000) | high;
    if (entry == 6) return objectTextProblems(s.objectTexts, services, fill);
    const std::string what = std::string(entry < 3 ? f.string : f.title) + "(code " + std::to_string(code) + ", parameter " +
                             std::to_string(param) + ", version " + (hasVersion ? std::to_string(s.version) : "none") + ")";
    const TextCall call = [&](kdrv::Addr buf, uint32_t size) {
        if (entry < 3) hostrec::callString(s.m, f, services, code, buf, size);
        else hostrec::callTitle(s.m, f, services, code, param, buf, size);
    };
    // Titles are not gated.
    if (auto p = sweepProblem(s.buffers, call, entry >= 3 || gatePasses, fill, high)) return {what + " " + *p};
    return {};
}

void checkRandomTexts(Host& host, Report& report, uint64_t seed, int sweeps) {
    const std::shared_ptr<TextStage> stage = newTextStage(host.m);
    SeededSource source(seed);
    std::vector<std::string> problems;
    for (int n = 0; n < sweeps && problems.empty(); ++n) problems = randomTextProblems(*stage, source);
    report.expect(std::to_string(sweeps) + " random text sweeps (seed " + std::to_string(seed) + ")", problems);
}

void checkTextEntryPoints(Host& host, Report& report) {
    kdrv::Module& m = host.m;
    TextBuffers buffers(m);
    std::vector<TextBuffers> objectTexts = objectTextBuffers(m);
    auto sweep = [&](const TextCall& call, bool writes, const std::string& what, std::vector<std::string>& problems) {
        if (auto p = sweepProblem(buffers, call, writes, kFill)) problems.push_back(what + " " + *p);
    };
    for (const FamilyFacts& facts : kFamilies) {
        std::vector<std::string> strings, gated, titles;
        for (const Row& r : readRows(host, facts)) {
            const uint32_t code = static_cast<uint32_t>(r.code);
            const std::string at = std::string(facts.string) + "(" + std::to_string(code) + ")";
            for (kdrv::Addr services : {host.services, host.oldHost, host.noVersion}) {
                const bool passes = services == host.services;
                sweep([&](kdrv::Addr buf, uint32_t size) { hostrec::callString(m, facts, services, code, buf, size); },
                      passes, passes ? at : at + " behind a failed gate", passes ? strings : gated);
            }
            // Titles: one per parameter, and the empty one past them; expressions take no index.
            const size_t slots = facts.kind == kdrv::RoutineKind::Expression ? 1 : r.types.size() + 1;
            for (uint32_t p = 0; p < slots; ++p)
                sweep([&](kdrv::Addr buf, uint32_t size) { hostrec::callTitle(m, facts, host.services, code, p, buf, size); },
                      true, std::string(facts.title) + "(" + std::to_string(code) + ", " + std::to_string(p) + ")", titles);
        }
        report.expect(std::string(facts.string) + " at every buffer size", strings);
        report.expect(std::string(facts.string) + " leaves the buffer alone for an old or unknown host", gated);
        report.expect(std::string(facts.title) + " at every buffer size", titles);
    }
    report.expect("GetObjInfos at every buffer longer than its texts", objectTextProblems(objectTexts, host.services, kFill));
}

}  // namespace kvalidate
