// Win32-typed handles of the stand-ins are small 32-bit values in pointer
// clothing; these two convert between the forms.
#pragma once
#include <cstdint>

namespace standin {

inline uint32_t handleValue(const void* handle) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
}

template <class Handle>
Handle handleOf(uint32_t value) {
    return reinterpret_cast<Handle>(static_cast<uintptr_t>(value));
}

}  // namespace standin
