// Every text entry point at every buffer size from 1 to 300, each buffer
// followed by canary bytes: texts cut to size - 1 plus a zero, nothing past
// the buffer, nothing at all behind a failed version gate.
#include <array>
#include <cstring>
#include <functional>
#include <memory>

#include "kinemo-host/validate.h"

namespace kvalidate {
namespace {

constexpr uint32_t kMaxSize = 300;
constexpr uint8_t kFill = 0x7E;
constexpr int kObjectTexts = 5;
// GetObjInfos loads each text with a size of 255 whatever the host's buffers.
constexpr size_t kObjectTextLimit = 254;

// One buffer of each size, each followed by its canary, reused by every sweep.
struct Buffers {
    Buffers(kdrv::Module& m) : m(m) {
        for (uint32_t size = 1; size <= kMaxSize; ++size)
            at[size] = m.alloc(size + static_cast<uint32_t>(kCanaryBytes));
    }
    kdrv::Addr prepare(uint32_t size) {
        uint8_t* p = m.bytes(at[size]);
        std::memset(p, kFill, size);
        std::memset(p + size, kCanaryByte, kCanaryBytes);
        return at[size];
    }
    std::span<const uint8_t> read(uint32_t size) { return {m.bytes(at[size]), size + kCanaryBytes}; }
    kdrv::Module& m;
    std::array<kdrv::Addr, kMaxSize + 1> at{};
};

using Call = std::function<void(kdrv::Addr buffer, uint32_t size)>;

// The whole text from the largest buffer, then every size against it.
void sweep(Buffers& b, const Call& call, bool writes, const std::string& what, std::vector<std::string>& problems) {
    std::optional<std::string> whole;
    if (writes) {
        call(b.prepare(kMaxSize), kMaxSize);
        auto bytes = b.read(kMaxSize);
        const void* zero = std::memchr(bytes.data(), 0, kMaxSize);
        if (zero == nullptr) {
            problems.push_back(what + ": no terminating zero in a 300-byte buffer");
            return;
        }
        whole = std::string(reinterpret_cast<const char*>(bytes.data()), static_cast<const uint8_t*>(zero) - bytes.data());
    }
    for (uint32_t size = 1; size <= kMaxSize; ++size) {
        call(b.prepare(size), size);
        if (auto p = textProblem(b.read(size), size, kFill, whole)) {
            problems.push_back(what + " at size " + std::to_string(size) + ": " + *p);
            return;  // one line per text is enough
        }
    }
}

}  // namespace

std::optional<std::string> textProblem(std::span<const uint8_t> bufferAndCanary, size_t size, uint8_t fill,
                                       const std::optional<std::string>& expected) {
    for (size_t i = size; i < size + kCanaryBytes && i < bufferAndCanary.size(); ++i)
        if (bufferAndCanary[i] != kCanaryByte) return "wrote past the buffer (byte " + std::to_string(i) + ")";
    if (!expected) {
        for (size_t i = 0; i < size; ++i)
            if (bufferAndCanary[i] != fill) return "wrote into a buffer it must leave untouched (byte " + std::to_string(i) + ")";
        return std::nullopt;
    }
    const void* zero = std::memchr(bufferAndCanary.data(), 0, size);
    if (zero == nullptr) return std::string("no terminating zero");
    const std::string got(reinterpret_cast<const char*>(bufferAndCanary.data()),
                          static_cast<const uint8_t*>(zero) - bufferAndCanary.data());
    const std::string want = expected->substr(0, size - 1);
    if (got != want) return "gave \"" + got + "\", expected \"" + want + "\"";
    return std::nullopt;
}

void checkTextEntryPoints(Host& host, Report& report) {
    kdrv::Module& m = host.m;
    Buffers buffers(m);
    for (const FamilyFacts& facts : families()) {
        const std::vector<Row> rows = readRows(host, facts);
        std::vector<std::string> strings, gated, titles;
        for (const Row& r : rows) {
            const uint32_t code = static_cast<uint32_t>(r.code);
            const std::string at = std::string(facts.string) + "(" + std::to_string(code) + ")";
            for (kdrv::Addr services : {host.services, host.oldHost, host.noVersion}) {
                const bool passes = services == host.services;
                sweep(buffers, [&](kdrv::Addr buf, uint32_t size) { m.call(facts.string, {services, code, buf, size}); },
                      passes, passes ? at : at + " behind a failed gate", passes ? strings : gated);
            }
            const std::string title = std::string(facts.title) + "(" + std::to_string(code);
            if (facts.family == Family::Expression) {
                sweep(buffers, [&](kdrv::Addr buf, uint32_t size) { m.call(facts.title, {host.services, code, buf, size}); },
                      true, title + ")", titles);
                continue;
            }
            for (uint32_t p = 0; p <= r.types.size(); ++p)
                sweep(buffers,
                      [&](kdrv::Addr buf, uint32_t size) { m.call(facts.title, {host.services, code, p, buf, size}); },
                      true, title + ", " + std::to_string(p) + ")", titles);
        }
        report.expect(std::string(facts.string) + " at every buffer size", strings);
        report.expect(std::string(facts.string) + " leaves the buffer alone for an old or unknown host", gated);
        report.expect(std::string(facts.title) + " at every buffer size", titles);
    }

    // GetObjInfos: any buffer longer than its text keeps its canary.
    std::vector<std::string> infos;
    std::array<Buffers*, kObjectTexts> slots{};
    std::vector<std::unique_ptr<Buffers>> owned;
    for (auto& s : slots) s = owned.emplace_back(std::make_unique<Buffers>(m)).get();
    auto callInfos = [&](uint32_t size) {
        m.call("GetObjInfos", {host.services, 0, slots[0]->prepare(size), slots[1]->prepare(size), slots[2]->prepare(size),
                               slots[3]->prepare(size), slots[4]->prepare(size)});
    };
    callInfos(kMaxSize);
    std::array<std::string, kObjectTexts> whole;
    size_t longest = 0;
    for (int i = 0; i < kObjectTexts; ++i) {
        auto bytes = slots[i]->read(kMaxSize);
        const void* zero = std::memchr(bytes.data(), 0, kMaxSize);
        whole[i] = zero ? std::string(reinterpret_cast<const char*>(bytes.data()), static_cast<const uint8_t*>(zero) - bytes.data()) : "";
        if (zero == nullptr || whole[i].size() > kObjectTextLimit)
            infos.push_back("text " + std::to_string(i) + " is not cut at 254 characters");
        longest = std::max(longest, whole[i].size());
    }
    if (whole[0].empty()) infos.push_back("no object name");
    for (uint32_t size = static_cast<uint32_t>(longest) + 1; size <= kMaxSize && infos.empty(); ++size) {
        callInfos(size);
        for (int i = 0; i < kObjectTexts; ++i)
            if (auto p = textProblem(slots[i]->read(size), size, kFill, whole[i]))
                infos.push_back("text " + std::to_string(i) + " at size " + std::to_string(size) + ": " + *p);
    }
    report.expect("GetObjInfos at every buffer longer than its texts", infos);
}

}  // namespace kvalidate
