// The registration record, the information query and the routine tables.
#include <cstring>

#include "host/routines.h"
#include "validate/validate.h"

using kinemo::RunInfos;

namespace kvalidate {
namespace {

constexpr uint8_t kHostFill = 0x5A;
constexpr size_t kHostRecordBytes = 48;  // the host's record is longer than what the module writes

template <class T>
void expectEqual(std::vector<std::string>& problems, const char* what, T got, T want) {
    if (got != want)
        problems.push_back(std::string(what) + " is " + std::to_string(got) + ", expected " + std::to_string(want));
}

}  // namespace

void checkRegistration(Host& host, Report& report) {
    kdrv::Module& m = host.m;
    std::vector<std::string> infos;
    expectEqual(infos, "GetInfos(0)", m.call("GetInfos", {0}), 768u);
    expectEqual(infos, "GetInfos(1)", m.call("GetInfos", {1}), 0u);
    expectEqual(infos, "GetInfos(0xFFFFFFFF)", m.call("GetInfos", {0xFFFFFFFF}), 0u);
    report.expect("information query GetInfos", infos);

    const kdrv::Addr record = m.alloc(kHostRecordBytes);
    std::memset(m.bytes(record), kHostFill, kHostRecordBytes);
    std::vector<std::string> reg;
    expectEqual(reg, "GetRunObjectInfos result", m.call("GetRunObjectInfos", {0, record}), 1u);
    RunInfos r;
    std::memcpy(&r, m.bytes(record), sizeof r);
    expectEqual(reg, "conditionCount", r.conditionCount, uint16_t{1});
    expectEqual(reg, "actionCount", r.actionCount, uint16_t{29});
    expectEqual(reg, "expressionCount", r.expressionCount, uint16_t{15});
    expectEqual(reg, "editDataSize", r.editDataSize, uint16_t{16});
    expectEqual(reg, "objectFlags", r.objectFlags, uint16_t{1});
    expectEqual(reg, "objectByte", r.objectByte, uint8_t{100});
    expectEqual(reg, "byte 23 (the host's)", r.hostByte, kHostFill);
    expectEqual(reg, "objectFlags2", r.objectFlags2, uint16_t{0});
    expectEqual(reg, "identifier", r.identifier, 0x83AD46BCu);
    expectEqual(reg, "infoVersion", r.infoVersion, uint16_t{1});
    for (size_t i = sizeof(RunInfos); i < kHostRecordBytes; ++i)
        if (m.bytes(record)[i] != kHostFill) reg.push_back("byte " + std::to_string(i) + " past the record was written");
    expectEqual(reg, "GetRunObjectDataSize", m.call("GetRunObjectDataSize", {0, 0}), 360u);
    report.expect("registration values", reg);

    const std::pair<kdrv::RoutineKind, kdrv::Addr> tables[] = {
        {kdrv::RoutineKind::Condition, r.conditionRoutines},
        {kdrv::RoutineKind::Action, r.actionRoutines},
        {kdrv::RoutineKind::Expression, r.expressionRoutines},
    };
    for (size_t f = 0; f < 3; ++f) {
        const FamilyFacts& facts = kFamilies[f];
        std::vector<std::string> walk;
        if (tables[f].second == 0) {
            walk.push_back("null table address");
        } else {
            const std::vector<kdrv::Addr> routines = m.routineTable(tables[f].first, tables[f].second);
            if (static_cast<int>(routines.size()) != facts.count)
                walk.push_back("the walk met its null after " + std::to_string(routines.size()) + " routines, expected " +
                               std::to_string(facts.count));
        }
        report.expect(std::string(facts.noun) + " routine table ends at its null", walk);
    }
}

}  // namespace kvalidate
