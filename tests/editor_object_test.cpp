// The object in the layout editor: creation with its About box, size,
// picture, icon and texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "editor/edit_data.h"
#include "host/host_structs.h"
#include "host/resource_ids.h"
#include "standins/standin.h"
#include "editor_builds.h"

using kinemo::EditData;
using kinemo::HostEditServices;

using kdrv::Addr;
using standin::Op;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t kParentWindow = 0x00012345;
constexpr uint32_t kDisplayHandle = 0x00BEEF00;
constexpr uint8_t kUntouched = 0xAB;

std::vector<std::string> pathsSeen;  // what the path callback received

Addr newServices(kdrv::Module& m, std::optional<uint32_t> version = 0x01050000) {
    const Addr services = m.alloc(sizeof(HostEditServices));
    auto* s = m.view<HostEditServices>(services);
    s->displayHandle = kDisplayHandle;
    s->parentWindow = kParentWindow;
    if (version) s->getHostVersion = m.callback(kdrv::CallbackKind::HostVersion, [v = *version](auto) { return v; });
    s->pathCallback = m.callback(kdrv::CallbackKind::Path, [&m](std::span<const uint32_t> a) {
        pathsSeen.push_back(m.cString(a[0]) + "," + std::to_string(a[1]) + "," + std::to_string(a[2]));
        return 0u;
    });
    return services;
}

Addr untouched(kdrv::Module& m, uint32_t size, const void* prefix = nullptr, size_t prefixSize = 0) {
    const Addr a = m.alloc(size);
    std::memset(m.bytes(a), kUntouched, size);
    if (prefix) std::memcpy(m.bytes(a), prefix, prefixSize);
    return a;
}

// EditData with the host's header untouched and a size of 50 x 60 unless given.
Addr newEditData(kdrv::Module& m, int16_t width = 50, int16_t height = 60) {
    const Addr e = untouched(m, sizeof(EditData));
    m.view<EditData>(e)->width = width;
    m.view<EditData>(e)->height = height;
    return e;
}

// The host's view of its memory: references are not arithmetic in every build.
Bytes bytesAt(kdrv::Module& m, Addr at, size_t count) { return Bytes(m.bytes(at), m.bytes(at) + count); }

int held() {
    const standin::Counts c = standin::counts();
    return c.liveMenus + c.loadedResources + c.lockedResources + c.liveAllocations + c.openImages;
}

}  // namespace

// Command 20004 hands the host the module's path and keeps the box open;
// only 1 (OK) and 2 (Escape) end it. A refused host gets no box.
TEST_P(EditTimeTest, AboutBox) {
    struct Case { const char* entry; uint32_t command; std::optional<uint32_t> version; std::vector<uint32_t> script;
                  int32_t result; size_t dialogs, paths; bool failAllocation = false, pathCallback = true; };
    const uint32_t v = 0x01050000;
    const Case cases[] = {
        {"CreateObject", 0, v, {1}, 0, 1, 0}, {"CreateObject", 0, v, {2}, -1, 1, 0},
        {"CreateObject", 0, v, {20004, 7, 20004, 1}, 0, 1, 2},
        {"CreateObject", 0, v, {20004, 1}, 0, 1, 0, true},  // no memory for the path
        {"CreateObject", 0, v, {20004, 1}, 0, 1, 0, false, false},  // no callback to give it to
        {"CreateObject", 0, std::nullopt, {1}, -1, 0, 0}, {"CreateObject", 0, 0x0104FFFF, {1}, -1, 0, 0},
        {"SelectPopup", 2020, v, {1}, 4, 1, 0}, {"SelectPopup", 2020, v, {2}, 0, 1, 0},
        {"SelectPopup", 2021, v, {1}, 0, 0, 0}, {"SelectPopup", 2020, std::nullopt, {1}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        if (c.failAllocation && !standin::kFailuresServed) continue;
        standin::reset();
        standin::scriptDialogCommands(c.script);
        if (c.failAllocation) standin::failCall(Op::LocalAlloc);
        pathsSeen.clear();
        const Addr services = newServices(m(), c.version);
        if (!c.pathCallback) m().view<HostEditServices>(services)->pathCallback = 0;
        const Addr edit = newEditData(m());
        const bool create = std::string(c.entry) == "CreateObject";
        const uint32_t result = create ? m().call("CreateObject", {services, 0, edit})
                                       : m().call("SelectPopup", {services, c.command, 0, 0, edit, 0, 0});
        EXPECT_EQ(static_cast<int32_t>(result), c.result);
        ASSERT_EQ(standin::dialogRuns().size(), c.dialogs);
        // The host's header is never written; only a created object is sized.
        const uint8_t u = kUntouched;
        EXPECT_EQ(bytesAt(m(), edit, 16), (create && c.dialogs == 1
                                               ? Bytes{u, u, u, u, u, u, u, u, 0, 0, 0, 0, 32, 0, 32, 0}
                                               : Bytes{u, u, u, u, u, u, u, u, u, u, u, u, 50, 0, 60, 0}));
        EXPECT_EQ(held(), 0);
        if (c.dialogs == 0) continue;
        const standin::DialogRun& run = standin::dialogRuns()[0];
        EXPECT_EQ((std::vector<uint32_t>{run.templateId, run.owner, run.zeroA, run.zeroB, run.three}),
                  (std::vector<uint32_t>{KINEMO_DIALOG_ABOUT, kParentWindow, 0, 0, 3}));
        // WM_INITDIALOG handled; a real dialog manager sends others (WM_SETFONT) too.
        const auto init = std::find_if(run.messages.begin(), run.messages.end(),
                                       [](const standin::DialogMessage& m) { return m.message == WM_INITDIALOG; });
        ASSERT_NE(init, run.messages.end());
        EXPECT_EQ(init->result, 1);
        EXPECT_TRUE(run.ended) << "a script that ran out would also give -1";
        EXPECT_EQ(pathsSeen, std::vector<std::string>(c.paths, standin::modulePath(run.module).value_or("?") + ",1,1"));
    }
}

// GetModuleFileNameA fills a short buffer without a terminating zero: the
// host still gets a string, the path's first 259 characters. (The real
// module path cannot be set on Windows.)
TEST_P(EditTimeTest, AboutBoxCutsAPathLongerThanItsBuffer) {
    if (!standin::kFailuresServed) GTEST_SKIP() << "the module path is Windows' own here";
    standin::reset();
    standin::scriptDialogCommands({1});
    const Addr services = newServices(m());
    m().call("CreateObject", {services, 0, newEditData(m())});
    ASSERT_EQ(standin::dialogRuns().size(), 1u);
    const uint32_t module = standin::dialogRuns()[0].module;
    const std::string was = standin::modulePath(module).value_or("");
    for (const size_t length : {size_t{259}, size_t{260}, size_t{300}}) {
        SCOPED_TRACE(length);
        std::string path = "C:\\" + std::string(length - 3, 'p');
        standin::setModulePath(module, path);
        standin::reset();
        standin::scriptDialogCommands({20004, 1});
        pathsSeen.clear();
        m().call("CreateObject", {services, 0, newEditData(m())});
        EXPECT_EQ(pathsSeen, std::vector<std::string>{path.substr(0, 259) + ",1,1"});
        EXPECT_EQ(held(), 0);
    }
    standin::setModulePath(module, was);
}

TEST_P(EditTimeTest, ObjectSizeAndRect) {
    struct Case { const char* entry; uint32_t mode; int16_t width, height; std::vector<int32_t> rect; };
    const Case cases[] = {
        {"ModifyObject", 0, 50, 60, {10, 20, 42, 52}},   {"ModifyObject", 1, 50, 60, {10, 20, 60, 80}},
        {"CreateFromFile", 0, 50, 60, {10, 20, 42, 52}}, {"GetObjectRect", 0, -8, 32, {10, 20, 2, 52}},
        {"GetObjectRect", 0, 32767, -32768, {10, 20, 32777, -32748}},
    };
    const Addr services = newServices(m());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        const Addr edit = newEditData(m(), c.width, c.height);
        if (std::string(c.entry) == "ModifyObject") {
            EXPECT_EQ(m().call(c.entry, {services, edit, 0, 0, c.mode, 0}), 0u);
        } else if (std::string(c.entry) == "CreateFromFile") {
            m().call(c.entry, {services, edit});
        }
        EXPECT_EQ(bytesAt(m(), edit, 12), Bytes(12, kUntouched));
        const Addr rect = untouched(m(), 16, c.rect.data(), 8);
        m().call("GetObjectRect", {services, rect, 0, edit});
        EXPECT_EQ(std::vector<int32_t>(m().view<int32_t>(rect), m().view<int32_t>(rect) + 4), c.rect);
    }
}

// The image object is disposed of exactly once on every way out, a
// failing library operation (raised as an exception) included, and the
// library's 4 KiB in it stay its own.
TEST_P(EditTimeTest, EditorDisplay) {
    struct Case { uint32_t target, failing; std::vector<uint32_t> ordinals; };
    const uint32_t target = standin::kDefaultDrawingTarget;
    const std::vector<uint32_t> all = {191, 308, 340, 395, 336, 313};
    const Case cases[] = {
        {target, 0, all}, {0, 0, {191}}, {target, 340, {191, 308, 340, 313}},
        {target, 395, {191, 308, 340, 395, 313}}, {target, 336, all}, {target, 313, all},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.target << " failing " << c.failing);
        standin::reset();
        standin::setDrawingTarget(c.target);
        standin::failImageOperation(c.failing);
        const int32_t corner[] = {17, -3};
        try {
            m().call("EditorDisplay", {newServices(m()), 0, 0, 0, untouched(m(), 16, corner, 8)});
            EXPECT_EQ(c.failing, 0u);
        } catch (const std::exception&) {
            EXPECT_NE(c.failing, 0u);
        }
        const auto& calls = standin::orvexCalls();
        std::vector<uint32_t> ordinals;
        for (const standin::OrvexCall& call : calls) ordinals.push_back(call.ordinal);
        EXPECT_EQ(ordinals, c.ordinals);
        EXPECT_EQ(held(), 0);
        EXPECT_EQ(standin::imageMisuses(), 0);
        if (ordinals != all || c.failing != 0) continue;
        EXPECT_EQ(calls[0].args, (std::vector<uint32_t>{kDisplayHandle, 0}));
        EXPECT_EQ(calls[2].args, (std::vector<uint32_t>{4, 4, target}));
        EXPECT_EQ(calls[3].args, (std::vector<uint32_t>{calls[3].args[0], KINEMO_BITMAP_PICTURE, 1}));
        EXPECT_EQ(calls[4].args, (std::vector<uint32_t>{target, 17, static_cast<uint32_t>(-3), 1, 0, 0, 0}));
        for (size_t i = 2; i < calls.size(); ++i) EXPECT_EQ(calls[i].object, calls[1].object);
    }
}

// The packed bitmap is copied and nothing past it; any failure copies nothing.
TEST_P(EditTimeTest, MakeIcon) {
    standin::reset();
    m().call("EditorDisplay", {newServices(m()), 0, 0, 0, m().alloc(16)});  // the library sees our handle
    const Bytes bitmap = standin::findEntry(standin::orvexCalls().at(3).args.at(0), 2, KINEMO_BITMAP_ICON)->data;
    for (const auto failing : {std::optional<Op>{}, {Op::FindResource}, {Op::LoadResource}, {Op::LockResource}}) {
        if (failing && !standin::kFailuresServed) continue;  // the real platform cannot be made to fail
        standin::reset();
        if (failing) standin::failCall(*failing);
        const Addr icon = untouched(m(), 4096);
        EXPECT_EQ(static_cast<int32_t>(m().call("MakeIcon", {newServices(m()), icon, 0, 0, 0})), failing ? -1 : 0);
        Bytes expected(4096, kUntouched);
        if (!failing) std::copy(bitmap.begin(), bitmap.begin() + 2088, expected.begin());
        EXPECT_EQ(bytesAt(m(), icon, 4096), expected);
        EXPECT_EQ(held(), 0);
    }
}

TEST_P(EditTimeTest, ObjectTexts) {
    Addr b[5];
    for (Addr& buffer : b) buffer = untouched(m(), 300, "", 1);
    m().call("GetObjInfos", {newServices(m()), 0, b[0], b[1], b[2], b[3], b[4]});
    std::vector<std::string> texts;
    for (Addr buffer : b) texts.push_back(m().cString(buffer));
    EXPECT_EQ(texts, (std::vector<std::string>{"Kinemo", "The Kinemo project", "Copyright (C) 2026 The Kinemo project",
                                               "Release Version 1.1", "https://kinemo.example/"}));
}
