// Shared by the fuzzers: the input as the validator's byte source, and a loud failure.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <fuzzer/FuzzedDataProvider.h>

#include "validate/byte_source.h"

namespace kfuzz {

class InputSource final : public kvalidate::ByteSource {
public:
    explicit InputSource(FuzzedDataProvider& in) : in_(in) {}
    uint32_t bits() override { return in_.ConsumeIntegral<uint32_t>(); }
    uint32_t below(uint32_t n) override { return in_.ConsumeIntegralInRange<uint32_t>(0, n - 1); }
    bool exhausted() const override { return in_.remaining_bytes() == 0; }

private:
    FuzzedDataProvider& in_;
};

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
