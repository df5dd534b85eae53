#include "editor/about_box.h"

#include "host/exports.h"
#include "platform/host_ref.h"
#include "platform/orvex32.h"

namespace {
constexpr uint32_t kAboutDialogTemplate = 20003;
constexpr uint32_t kRunDialogOptions = 3;  // the library's value for a modal About box
constexpr int kContextWindowLong = 8;  // the dialog's user slot

constexpr uint16_t kCommandOk = 1;
constexpr uint16_t kCommandCancel = 2;  // also what Escape sends
constexpr uint16_t kCommandSendPath = 20004;
constexpr DWORD kPathBufferSize = 260;

// Hands the host the module's own full path.
void sendModulePath(const AboutContext* context) {
    char* path = static_cast<char*>(LocalAlloc(LMEM_ZEROINIT, kPathBufferSize));
    if (path == nullptr) return;
    GetModuleFileNameA(moduleHandle, path, kPathBufferSize);
    const auto* services = context != nullptr ? hostPtrAs<HostEditServices>(context->services) : nullptr;
    if (services != nullptr && services->pathCallback != 0)
        hostFn<PathCallback>(services->pathCallback)(path, 1, 1);
    LocalFree(path);
}

INT_PTR onCommand(HWND dialog, uint16_t command) {
    const auto* context = hostPtrAs<AboutContext>(static_cast<HostRef>(GetWindowLongA(dialog, kContextWindowLong)));
    switch (command) {
        case kCommandOk: EndDialog(dialog, kAboutClosedWithOk); break;
        case kCommandCancel: EndDialog(dialog, kAboutCancelled); break;
        case kCommandSendPath: sendModulePath(context); break;
        default: break;
    }
    return 0;
}
}  // namespace

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongA(dialog, kContextWindowLong, static_cast<LONG>(lParam));
        return 1;
    }
    if (message == WM_COMMAND) return onCommand(dialog, static_cast<uint16_t>(wParam));
    return 0;
}

int32_t runAboutBox(HostEditServices* services, uint32_t editData) {
    AboutContext context{editData, hostRef(services)};
    return orvexRunDialog(moduleHandle, kAboutDialogTemplate, services->parentWindow, aboutDialogProc, 0, 0,
                          kRunDialogOptions, hostRef(&context));
}
