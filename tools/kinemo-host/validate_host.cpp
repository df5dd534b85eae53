// The validating host: its edit services records and the facts it knows
// about each event family.
#include <array>

#include "host/host_structs.h"
#include "kinemo-host/validate.h"

namespace kvalidate {
namespace {

constexpr uint32_t kRecentHost = 0x01050000;
constexpr uint32_t kOldHost = 0x0104FFFF;

constexpr std::array<FamilyFacts, 3> kFamilies{{
    {Family::Condition, "condition", 1, "GetConditionInfos", "GetConditionCodeFromMenu", "GetConditionString",
     "GetConditionTitle", "GetConditionMenu", 26000, 1, 6000, 1, 0x0200},
    {Family::Action, "action", 29, "GetActionInfos", "GetActionCodeFromMenu", "GetActionString", "GetActionTitle",
     "GetActionMenu", 25000, 1, 5000, 1, 0x0000},
    {Family::Expression, "expression", 15, "GetExpressionInfos", "GetExpressionCodeFromMenu", "GetExpressionString",
     "GetExpressionTitle", "GetExpressionMenu", 27000, 10, 7000, 10, 0x0002},
}};

kdrv::Addr servicesRecord(kdrv::Module& m, kdrv::Addr versionCallback, kdrv::Addr pathCallback) {
    kdrv::Addr a = m.alloc(sizeof(HostEditServices));
    auto* s = m.view<HostEditServices>(a);
    s->getHostVersion = versionCallback;
    s->pathCallback = pathCallback;
    return a;
}

}  // namespace

std::span<const FamilyFacts> families() { return kFamilies; }

Host newHost(kdrv::Module& m) {
    auto paths = std::make_shared<std::vector<std::string>>();
    kdrv::Module* module = &m;
    const kdrv::Addr pathCallback = m.callback(kdrv::CallbackKind::Path, [paths, module](std::span<const uint32_t> a) {
        paths->push_back(module->cString(a[0]));
        paths->push_back(std::to_string(a[1]) + "," + std::to_string(a[2]));
        return 0u;
    });
    const kdrv::Addr recent = m.callback(kdrv::CallbackKind::HostVersion, [](std::span<const uint32_t>) { return kRecentHost; });
    const kdrv::Addr old = m.callback(kdrv::CallbackKind::HostVersion, [](std::span<const uint32_t>) { return kOldHost; });
    return Host{m, servicesRecord(m, recent, pathCallback), servicesRecord(m, old, pathCallback),
                servicesRecord(m, 0, pathCallback), paths};
}

}  // namespace kvalidate
