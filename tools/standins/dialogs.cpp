// Window slots, EndDialog and ORVEX32's modal dialog run: the dialog
// procedure gets WM_INITDIALOG, then the commands a test scripted.
#include "standins/handle_cast.h"
#include "platform/orvex32.h"
#include "standins/state.h"

namespace standin {
namespace {

constexpr uint32_t kDialogType = 5;

}  // namespace

int32_t windowLong(uint32_t window, int index) {
    const auto& slots = state().windowLongs;
    auto it = slots.find({window, index});
    return it == slots.end() ? 0 : it->second;
}

int32_t setWindowLong(uint32_t window, int index, int32_t value) {
    int32_t& slot = state().windowLongs[{window, index}];
    const int32_t previous = slot;
    slot = value;
    return previous;
}

bool endDialog(uint32_t window, int32_t result) {
    auto& running = state().runningDialogs;
    auto it = running.find(window);
    if (it == running.end()) return false;
    it->second = RunningDialog{true, result};
    return true;
}

// The modal loop as the author would drive it: initialisation, then the
// scripted commands one at a time until the procedure ends the dialog.
int32_t runDialog(uint32_t module, uint32_t templateId, uint32_t owner, uint32_t zeroA, uint32_t zeroB,
                  uint32_t three, uint32_t context, const DialogSend& send) {
    State& s = state();
    const uint32_t window = s.nextWindow++;
    s.dialogRuns.push_back(DialogRun{module, templateId, owner, zeroA, zeroB, three, context, window, {}, false, -1});
    const size_t runIndex = s.dialogRuns.size() - 1;
    if (findEntry(module, kDialogType, templateId) == nullptr) return -1;

    s.runningDialogs[window] = RunningDialog{false, -1};
    const std::vector<uint32_t> commands = s.dialogCommands;
    auto deliver = [&](uint32_t message, uint32_t wParam, int32_t lParam) {
        const int32_t result = send(window, message, wParam, lParam);
        state().dialogRuns[runIndex].messages.push_back(DialogMessage{message, wParam, lParam, result});
        return state().runningDialogs[window].ended;
    };
    bool ended = deliver(WM_INITDIALOG, 0, static_cast<int32_t>(context));
    for (size_t i = 0; i < commands.size() && !ended; ++i) ended = deliver(WM_COMMAND, commands[i], 0);

    const RunningDialog outcome = state().runningDialogs[window];
    state().runningDialogs.erase(window);
    DialogRun& run = state().dialogRuns[runIndex];
    run.ended = outcome.ended;
    run.endResult = outcome.result;
    return outcome.ended ? outcome.result : -1;
}

}  // namespace standin

using standin::handleValue;

BOOL EndDialog(HWND dialog, INT_PTR result) { return standin::endDialog(handleValue(dialog), result) ? 1 : 0; }

LONG GetWindowLongA(HWND window, int index) { return standin::windowLong(handleValue(window), index); }

LONG SetWindowLongA(HWND window, int index, LONG value) {
    return standin::setWindowLong(handleValue(window), index, value);
}

extern "C" int32_t orvexRunDialog(HINSTANCE module, uint32_t templateId, uint32_t owner, DLGPROC proc, uint32_t zeroA,
                                  uint32_t zeroB, uint32_t three, uint32_t context) {
    auto send = [proc](uint32_t window, uint32_t message, uint32_t wParam, int32_t lParam) {
        return static_cast<int32_t>(proc(standin::handleOf<HWND>(window), message, wParam, lParam));
    };
    return standin::runDialog(handleValue(module), templateId, owner, zeroA, zeroB, three, context, send);
}
