// What the author does in the next dialogs, and the record of every run.
#include "standins/state.h"

namespace standin {
namespace {
constexpr uint32_t kPathCommand = 20004;
}  // namespace

void scriptDialog(DialogOutcome outcome) {
    switch (outcome) {
        case DialogOutcome::Ok: scriptDialogCommands({1}); break;
        case DialogOutcome::Escape: scriptDialogCommands({2}); break;
        case DialogOutcome::PathThenOk: scriptDialogCommands({kPathCommand, 1}); break;
    }
}

void scriptDialogCommands(std::vector<uint32_t> commands) { state().dialogCommands = std::move(commands); }

const std::vector<DialogRun>& dialogRuns() { return state().dialogRuns; }

}  // namespace standin
