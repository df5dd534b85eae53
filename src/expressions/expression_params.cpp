#include "expressions/expression_params.h"

#include "platform/host_ref.h"

namespace kinemo {
namespace {
constexpr uint32_t kParamSource = 2;
}  // namespace

void fetchRawParams(RunData* rd, uint32_t paramHandle, std::span<uint32_t> raw) {
    HostRunHeader* header = runHeaderOf(rd);
    for (size_t i = 0; i < raw.size(); ++i) {
        HostRef slot = i == 0 ? header->getFirstParam : header->getNextParam;
        raw[i] = hostFn<ParamFetch>(slot)(rd, kParamSource, paramHandle);
    }
}

float paramValue(uint32_t raw) {
    if (!paramIsInteger(raw)) return f32FromBits(raw);
    return static_cast<float>(static_cast<int32_t>(raw));
}

}  // namespace kinemo
