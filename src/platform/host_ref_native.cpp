#if !defined(_WIN32)
#include "platform/host_ref.h"

#include <unordered_map>
#include <vector>

namespace {
struct Registry {
    std::vector<void*> pointers{nullptr};
    std::unordered_map<const void*, HostRef> refs;
};

Registry& registry() {
    static Registry r;
    return r;
}
}  // namespace

void* hostPtr(HostRef ref) {
    const auto& p = registry().pointers;
    return ref < p.size() ? p[ref] : nullptr;
}

HostRef hostRef(const void* p) {
    if (p == nullptr) return 0;
    auto& r = registry();
    auto [it, added] = r.refs.try_emplace(p, static_cast<HostRef>(r.pointers.size()));
    if (added) r.pointers.push_back(const_cast<void*>(p));
    return it->second;
}
#endif
