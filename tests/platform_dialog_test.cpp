// The ORVEX32 and window stand-ins: the scripted modal dialog, window slots,
// the drawing target and the image operations' log and faults.
#include <gtest/gtest.h>

#include <vector>

#include "standins/resource_table.h"
#include "platform/orvex32.h"
#include "standins/standin.h"
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

struct PlatformDialog : ::testing::Test {
    void SetUp() override { standin::reset(); slotSeen.clear(); }
    void TearDown() override { standin::reset(); }
};

TEST_F(PlatformDialog, ScriptedCommandsRunUntilTheProcedureEndsTheDialog) {
    struct Case { const char* name; std::vector<uint32_t> commands; uint32_t templateId; int32_t result;
                  std::vector<uint32_t> sent; bool ended; };  // sent: WM_COMMAND word parameters after WM_INITDIALOG
    const Case cases[] = {
        {"ok", {1}, 20003, 0, {1}, true}, {"escape", {2}, 20003, -1, {2}, true},
        {"path then ok", {20004, 1}, 20003, 0, {20004, 1}, true}, {"ends early", {1, 2}, 20003, 0, {1}, true},
        {"never ends", {7, 8}, 20003, -1, {7, 8}, false}, {"no such template", {1}, 20099, -1, {}, false},
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
        EXPECT_EQ((std::vector<uint32_t>{run.templateId, run.owner, run.three, run.context}),
                  (std::vector<uint32_t>{c.templateId, 0x4242, 3, kContext}));
        EXPECT_EQ(run.ended, c.ended);
        std::vector<uint32_t> sent;
        for (const auto& message : run.messages)
            if (message.message == WM_COMMAND) sent.push_back(message.wParam);
        EXPECT_EQ(sent, c.sent);
        // The procedure saw the context from WM_INITDIALOG at every command.
        EXPECT_EQ(slotSeen, std::vector<int32_t>(c.sent.size(), static_cast<int32_t>(kContext)));
    }
}

TEST_F(PlatformDialog, EachRunHasItsOwnWindowAndSlots) {
    for (int run = 0; run < 2; ++run) orvexRunDialog(nativeModuleHandle(), 20003, 0, aboutLikeProc, 0, 0, 3, kContext);
    ASSERT_EQ(standin::dialogRuns().size(), 2u);
    EXPECT_NE(standin::dialogRuns()[0].window, standin::dialogRuns()[1].window);
    EXPECT_FALSE(standin::endDialog(standin::dialogRuns()[0].window, 5));  // no longer running

    EXPECT_EQ(standin::setWindowLong(1, kUserSlot, 10), 0);
    EXPECT_EQ(standin::setWindowLong(1, kUserSlot, 11), 10);
    EXPECT_EQ(standin::setWindowLong(2, kUserSlot, 20), 0);
    EXPECT_EQ(standin::windowLong(1, kUserSlot), 11);
    EXPECT_EQ(standin::windowLong(2, kUserSlot), 20);
    EXPECT_EQ(standin::windowLong(1, 4), 0);
}

// The image object counts as open from setup to disposal; a failing
// operation is logged, then raised as a fault naming its ordinal.
TEST_F(PlatformDialog, ImagesAreCountedAndFailWhereAsked) {
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
    EXPECT_EQ(standin::orvexCalls().back().ordinal, 395u);
    orvexImageDispose(&image);
    EXPECT_EQ(standin::counts().openImages, 0);
}

}  // namespace
