// Shared by the fuzzers: awkward float bit patterns and a loud failure.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <fuzzer/FuzzedDataProvider.h>

namespace kfuzz {

// NaNs, infinities, subnormals, signed zeros, the largest finites and the
// edges of the integer conversions.
inline constexpr uint32_t kAwkwardFloats[] = {
    0x7FC00000, 0xFFC00000, 0x7F800001, 0xFFBFFFFF, 0x7F800000, 0xFF800000, 0x00000001, 0x807FFFFF,
    0x00800000, 0x80000000, 0x00000000, 0x7F7FFFFF, 0xFF7FFFFF, 0x4F000000, 0xCF000000, 0x5F000000,
    0xDF000000, 0x47000000, 0xC7000000, 0x46FFFE00, 0x3F800000, 0x42C80000, 0x4096CBE4, 0x40C90FDA,
};

// Raw bits, or one of the awkward patterns, as the input chooses.
inline uint32_t fuzzBits(FuzzedDataProvider& in) {
    if (in.ConsumeBool()) return in.PickValueInArray(kAwkwardFloats);
    return in.ConsumeIntegral<uint32_t>();
}

// What the harness was doing, printed with a failure.
inline char failureContext[256] = "";

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what, failureContext);
    std::abort();
}

inline void check(bool ok, const char* what) {
    if (!ok) fail(what);
}

}  // namespace kfuzz
