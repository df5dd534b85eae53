// Where the random checks take their choices from: a seeded generator for
// `kinemo-host validate`, the fuzzer's input in the fuzzers.
#pragma once
#include <cstdint>
#include <random>

namespace kvalidate {

// NaNs, infinities, subnormals, signed zeros, the largest finites and the
// edges of the integer conversions.
inline constexpr uint32_t kAwkwardFloats[] = {
    0x7FC00000, 0xFFC00000, 0x7F800001, 0xFFBFFFFF, 0x7F800000, 0xFF800000, 0x00000001, 0x807FFFFF,
    0x00800000, 0x80000000, 0x00000000, 0x7F7FFFFF, 0xFF7FFFFF, 0x4F000000, 0xCF000000, 0x5F000000,
    0xDF000000, 0x47000000, 0xC7000000, 0x46FFFE00, 0x3F800000, 0x42C80000, 0x4096CBE4, 0x40C90FDA,
};

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint32_t bits() = 0;
    virtual uint32_t below(uint32_t n) = 0;  // 0 to n - 1; n > 0
    virtual bool exhausted() const { return false; }
    // Raw bits, or half the time one of the awkward floats.
    uint32_t value() { return below(2) ? kAwkwardFloats[below(std::size(kAwkwardFloats))] : bits(); }
};

class SeededSource final : public ByteSource {
public:
    explicit SeededSource(uint64_t seed) : engine_(seed) {}
    uint32_t bits() override { return static_cast<uint32_t>(engine_()); }
    uint32_t below(uint32_t n) override { return static_cast<uint32_t>(engine_() % n); }

private:
    std::mt19937_64 engine_;
};

}  // namespace kvalidate
