// The modal About box, opened when an object is created and from the
// object's popup menu in the layout editor.
#pragma once
#include <cstdint>

#include "host/host_structs.h"
#include "platform/abi.h"
#include "platform/winapi.h"

namespace kinemo {
// Lives on the opening entry point's stack for the dialog's whole life.
struct AboutContext {
    uint32_t editData;  // EditData address or the caller's word; not read by the dialog
    HostRef services;   // HostEditServices
};
static_assert(sizeof(AboutContext) == 8);

constexpr int32_t kAboutClosedWithOk = 0;
constexpr int32_t kAboutCancelled = -1;

// Runs the About box modally; the result is what the dialog ended with.
int32_t runAboutBox(HostEditServices* services, uint32_t editData);

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kinemo
