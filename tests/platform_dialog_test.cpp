// The ORVEX32 and window stand-ins: the scripted modal dialog, window slots,
// the drawing target and the image operations' log and faults.
#include <gtest/gtest.h>

#include <vector>

#include "platform/native_module.h"
#include "platform/orvex32.h"
#include "platform/standin.h"
#include "platform/winapi.h"

namespace {

constexpr int kUserSlot = 8;
constexpr uint32_t kContext = 0x00C0FFEE;

// What the procedure saw in its user slot while handling each command.
std::vector<int32_t> slotSeen;

// Stores the context on initialisation, ends with 0 on OK and -1 on Escape,
// and stays open for anything else.
INT_PTR aboutLikeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongA(window, kUserSlot, lParam);
        return 1;
    }
    if (message != WM_COMMAND) return 0;
    slotSeen.push_back(GetWindowLongA(window, kUserSlot));
    if ((wParam & 0xFFFF) == 1) EndDialog(window, 0);
    if ((wParam & 0xFFFF) == 2) EndDialog(window, -1);
    return 0;
}

class PlatformDialog : public ::testing::Test {
protected:
    void SetUp() override {
        standin::reset();
        slotSeen.clear();
    }
    void TearDown() override { standin::reset(); }
};

TEST_F(PlatformDialog, ScriptedOutcomesRunUntilTheProcedureEndsTheDialog) {
    struct Case {
        const char* name;
        std::vector<uint32_t> commands;
        uint32_t templateId;
        int32_t result;
        std::vector<uint32_t> sent;  // WM_COMMAND word parameters after WM_INITDIALOG
        bool ended;
    };
    const Case cases[] = {
        {"ok", {1}, 20003, 0, {1}, true},
        {"escape", {2}, 20003, -1, {2}, true},
        {"path then ok", {20004, 1}, 20003, 0, {20004, 1}, true},
        {"ends early", {1, 2}, 20003, 0, {1}, true},
        {"never ends", {7, 8}, 20003, -1, {7, 8}, false},
        {"no such template", {1}, 20099, -1, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        standin::reset();
        slotSeen.clear();
        standin::scriptDialogCommands(c.commands);
        EXPECT_EQ(orvexRunDialog(nativeModuleHandle(), c.templateId, 0x4242, aboutLikeProc, 0, 0, 3, kContext),
                  c.result);
        ASSERT_EQ(standin::dialogRuns().size(), 1u);
        const standin::DialogRun& run = standin::dialogRuns()[0];
        EXPECT_EQ(run.templateId, c.templateId);
        EXPECT_EQ(run.owner, 0x4242u);
        EXPECT_EQ(run.three, 3u);
        EXPECT_EQ(run.context, kContext);
        EXPECT_EQ(run.ended, c.ended);
        std::vector<uint32_t> sent;
        for (const auto& message : run.messages) {
            if (message.message == WM_INITDIALOG) {
                EXPECT_EQ(message.lParam, static_cast<int32_t>(kContext));
                EXPECT_EQ(message.result, 1);
            } else {
                sent.push_back(message.wParam);
            }
        }
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(slotSeen, std::vector<int32_t>(c.sent.size(), static_cast<int32_t>(kContext)));
    }
}

TEST_F(PlatformDialog, PresetsAndWindowSlots) {
    standin::scriptDialog(standin::DialogOutcome::PathThenOk);
    EXPECT_EQ(orvexRunDialog(nativeModuleHandle(), 20003, 0, aboutLikeProc, 0, 0, 3, kContext), 0);
    standin::scriptDialog(standin::DialogOutcome::Escape);
    EXPECT_EQ(orvexRunDialog(nativeModuleHandle(), 20003, 0, aboutLikeProc, 0, 0, 3, kContext), -1);
    EXPECT_EQ(slotSeen.size(), 3u);
    // Each run has its own window; ending one that is no longer running does nothing.
    EXPECT_NE(standin::dialogRuns()[0].window, standin::dialogRuns()[1].window);
    EXPECT_FALSE(standin::endDialog(standin::dialogRuns()[0].window, 5));

    EXPECT_EQ(standin::setWindowLong(1, kUserSlot, 10), 0);
    EXPECT_EQ(standin::setWindowLong(1, kUserSlot, 11), 10);
    EXPECT_EQ(standin::setWindowLong(2, kUserSlot, 20), 0);
    EXPECT_EQ(standin::windowLong(1, kUserSlot), 11);
    EXPECT_EQ(standin::windowLong(2, kUserSlot), 20);
    EXPECT_EQ(standin::windowLong(1, 4), 0);
}

TEST_F(PlatformDialog, ImageOperationsAreLoggedAndFailWhereAsked) {
    EXPECT_EQ(orvexDrawingTarget(0x51, 0), standin::kDefaultDrawingTarget);
    standin::setDrawingTarget(0);
    EXPECT_EQ(orvexDrawingTarget(0x52, 0), 0u);

    OrvexImage image{};
    standin::failImageOperation(395);
    orvexImageInit(&image);
    orvexImageSetup(&image, 4, 4, 0x77);
    EXPECT_EQ(standin::counts().openImages, 1);
    try {
        orvexImageLoad(&image, nativeModuleHandle(), 401, 1);
        ADD_FAILURE() << "the load should have failed";
    } catch (const standin::ImageFault& fault) {
        EXPECT_EQ(fault.ordinal, 395u);
    }
    orvexImageDraw(&image, 0x77, -5, 9, 1, 0, 0, 0);
    orvexImageDispose(&image);
    EXPECT_EQ(standin::counts().openImages, 0);

    const auto object = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&image));
    const std::vector<standin::OrvexCall> expected = {
        {191, 0, {0x51, 0}},
        {191, 0, {0x52, 0}},
        {308, object, {}},
        {340, object, {4, 4, 0x77}},
        {395, object, {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(nativeModuleHandle())), 401, 1}},
        {336, object, {0x77, 0xFFFFFFFB, 9, 1, 0, 0, 0}},
        {313, object, {}},
    };
    const auto& calls = standin::orvexCalls();
    ASSERT_EQ(calls.size(), expected.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].ordinal, expected[i].ordinal);
        EXPECT_EQ(calls[i].object, expected[i].object);
        EXPECT_EQ(calls[i].args, expected[i].args);
    }
}

}  // namespace
