// Menus, resources, allocations and image objects: every edit-time path
// gives back what it took, and the menus the host receives are its own.
#include <functional>

#include "validate/validate.h"
#include "standins/standin.h"

namespace kvalidate {
namespace {


std::vector<std::string> countChanges(const standin::Counts& was, const standin::Counts& now) {
    std::vector<std::string> out;
    auto compare = [&](const char* what, int a, int b) {
        if (a != b) out.push_back(std::string(what) + " went from " + std::to_string(a) + " to " + std::to_string(b));
    };
    compare("live menus", was.liveMenus, now.liveMenus);
    compare("loaded resources", was.loadedResources, now.loadedResources);
    compare("locked resources", was.lockedResources, now.lockedResources);
    compare("live allocations", was.liveAllocations, now.liveAllocations);
    compare("open image objects", was.openImages, now.openImages);
    return out;
}

// Runs `calls`, then reports anything they left behind next to their own problems.
void leakCheck(Report& report, const std::string& what, const std::function<void(std::vector<std::string>&)>& calls) {
    const standin::Counts before = standin::counts();
    std::vector<std::string> problems;
    calls(problems);
    for (std::string& p : countChanges(before, standin::counts())) problems.push_back(std::move(p));
    report.expect(what, problems);
}

}  // namespace

void checkNothingLeaks(Host& host, Report& report) {
    kdrv::Module& m = host.m;
    for (const FamilyFacts& facts : kFamilies) {
        leakCheck(report, std::string(facts.menu) + ": fresh menus, nothing else kept", [&](std::vector<std::string>& p) {
            const uint32_t a = m.call(facts.menu, {host.services, 0, 0});
            const uint32_t b = m.call(facts.menu, {host.services, 0, 0});
            if (a == 0 || b == 0) {
                p.push_back("no menu for a recent host");
            } else {
                if (a == b) p.push_back("two calls gave the same menu");
                if (standin::describeMenu(a) != standin::describeMenu(b)) p.push_back("two calls gave different menus");
            }
            // The host owns them now, and destroys them.
            for (uint32_t menu : {a, b})
                if (menu != 0 && !standin::destroyMenu(menu)) p.push_back("a returned menu was not live");
            for (kdrv::Addr services : {host.oldHost, host.noVersion})
                if (uint32_t menu = m.call(facts.menu, {services, 0, 0}); menu != 0) {
                    p.push_back("a menu for an old or unknown host");
                    standin::destroyMenu(menu);
                }
        });
    }

    leakCheck(report, "titles free their menu templates", [&](std::vector<std::string>&) {
        const kdrv::Addr buffer = m.alloc(kTextBytes + kCanaryBytes);
        for (const FamilyFacts& facts : kFamilies)
            for (int code = 0; code < facts.count; ++code)
                hostrec::callTitle(m, facts, host.services, static_cast<uint32_t>(code), 0, buffer, kTextBytes);
    });

    leakCheck(report, "MakeIcon releases its bitmap", [&](std::vector<std::string>& p) {
        for (int i = 0; i < 3; ++i)
            if (m.call("MakeIcon", {host.services, m.alloc(kIconBytes), 0, 0, 0}) != 0) p.push_back("MakeIcon failed");
    });

    leakCheck(report, "GetObjInfos", [&](std::vector<std::string>&) {
        m.call("GetObjInfos", {host.services, 0, m.alloc(kTextBytes + kCanaryBytes), m.alloc(kTextBytes + kCanaryBytes), m.alloc(kTextBytes + kCanaryBytes),
                               m.alloc(kTextBytes + kCanaryBytes), m.alloc(kTextBytes + kCanaryBytes)});
    });

    leakCheck(report, "About box: module path to the host, then OK; Escape", [&](std::vector<std::string>& p) {
        host.pathsSeen->clear();
        standin::scriptDialog(standin::DialogOutcome::PathThenOk);
        if (m.call("CreateObject", {host.services, 0, m.alloc(16)}) != 0) p.push_back("CreateObject after OK is not 0");
        if (host.pathsSeen->size() != 2 || host.pathsSeen->at(0).empty() || host.pathsSeen->at(1) != "1,1")
            p.push_back("pathCallback did not receive the module path, 1, 1");
        standin::scriptDialog(standin::DialogOutcome::Escape);
        if (m.call("SelectPopup", {host.services, kAboutCommand, 0, 0, 0, 0, 0}) != 0) p.push_back("SelectPopup after Escape is not 0");
        standin::scriptDialog(standin::DialogOutcome::Ok);
    });

    leakCheck(report, "EditorDisplay disposes of its image", [&](std::vector<std::string>&) {
        const kdrv::Addr rect = m.alloc(16);
        m.call("EditorDisplay", {host.services, 0, 0, 0, rect});
        standin::setDrawingTarget(0);
        m.call("EditorDisplay", {host.services, 0, 0, 0, rect});
        standin::setDrawingTarget(standin::kDefaultDrawingTarget);
    });
}

}  // namespace kvalidate
