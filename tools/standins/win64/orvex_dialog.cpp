// ORVEX32's ordinal 12 for the win64 build: the dialog template runs in
// Windows' own dialog manager (DialogBoxParamA), and the scripted commands
// reach the module's procedure as posted WM_COMMAND messages, one after the
// other has been handled, so none arrives after the dialog has ended. A
// script that runs out ends the box with -1, as the stand-in does. Without a
// display Windows cannot make the window: the run then ends with -1 and the
// procedure sees nothing. The owner the host names is recorded, not used:
// tests pass made-up window handles.
#include <windows.h>

#include "platform/orvex32.h"
#include "standins/state.h"

namespace {

constexpr UINT kScriptRanOut = WM_APP + 0x17;

struct ModalRun {
    DLGPROC proc;
    size_t runIndex;
    std::vector<uint32_t> commands;
    size_t next;
    bool endedByScriptEnd;
};
ModalRun* gRun = nullptr;  // the dialog is modal: one at a time on this thread

void postNext(HWND dialog) {
    if (gRun->next < gRun->commands.size())
        PostMessageA(dialog, WM_COMMAND, gRun->commands[gRun->next++], 0);
    else
        PostMessageA(dialog, kScriptRanOut, 0, 0);
}

INT_PTR CALLBACK scriptedProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (gRun == nullptr) return 0;
    if (message == kScriptRanOut) {
        gRun->endedByScriptEnd = true;
        EndDialog(dialog, -1);
        return 1;
    }
    const INT_PTR result = gRun->proc(dialog, message, wParam, lParam);
    auto& run = standin::state().dialogRuns[gRun->runIndex];
    if (run.window == 0) run.window = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(dialog));
    run.messages.push_back(standin::DialogMessage{message, static_cast<uint32_t>(wParam), static_cast<int32_t>(lParam),
                                                  static_cast<int32_t>(result)});
    if (message == WM_INITDIALOG || message == WM_COMMAND) postNext(dialog);
    return result;
}

}  // namespace

extern "C" int32_t orvexRunDialog(HINSTANCE module, uint32_t templateId, uint32_t owner, DLGPROC proc, uint32_t zeroA,
                                  uint32_t zeroB, uint32_t three, uint32_t context) {
    standin::State& s = standin::state();
    s.dialogRuns.push_back(standin::DialogRun{static_cast<uint32_t>(reinterpret_cast<uintptr_t>(module)), templateId,
                                              owner, zeroA, zeroB, three, context, 0, {}, false, -1});
    ModalRun run{proc, s.dialogRuns.size() - 1, s.dialogCommands, 0, false};
    ModalRun* outer = gRun;
    gRun = &run;
    const INT_PTR result = DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), nullptr, scriptedProc, context);
    gRun = outer;
    auto& record = standin::state().dialogRuns[run.runIndex];
    // A window that got messages existed; its result is then the procedure's.
    record.ended = !run.endedByScriptEnd && !record.messages.empty();
    record.endResult = record.ended ? static_cast<int32_t>(result) : -1;
    return record.ended ? static_cast<int32_t>(result) : -1;
}
