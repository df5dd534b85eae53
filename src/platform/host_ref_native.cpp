#include "platform/host_ref.h"

#include <unordered_map>
#include <vector>

namespace kinemo {
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

HostRefTable hostRefTable = {nullptr, 0};

HostRef hostRef(const void* p) {
    if (p == nullptr) return 0;
    auto& r = registry();
    auto [it, added] = r.refs.try_emplace(p, static_cast<HostRef>(r.pointers.size()));
    if (added) {
        r.pointers.push_back(const_cast<void*>(p));
        hostRefTable = {r.pointers.data(), static_cast<uint32_t>(r.pointers.size())};
    }
    return it->second;
}

}  // namespace kinemo
