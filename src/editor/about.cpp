// What the object tells about itself: its texts and its icon in the host's
// object lists, and the About box.
#include "editor/about.h"

#include <cstring>

#include "editor/edit_time.h"
#include "host/exports.h"
#include "host/resource_ids.h"
#include "platform/host_ref.h"
#include "platform/orvex32.h"

namespace kinemo {
namespace {
constexpr uint32_t kRunDialogOptions = 3;  // the library's value for a modal About box

constexpr uint16_t kCommandOk = 1;
constexpr uint16_t kCommandCancel = 2;  // also what Escape sends
constexpr uint16_t kCommandSendPath = 20004;
constexpr DWORD kPathBufferSize = 260;

constexpr uint16_t kTextBufferSize = 255;

constexpr uint32_t kInfoHeaderSize = 40;
constexpr size_t kHeaderWidthAt = 4;
constexpr size_t kHeaderHeightAt = 8;
constexpr size_t kHeaderBitCountAt = 14;

// Hands the host the module's own full path.
void sendModulePath(const AboutContext* context) {
    char* path = static_cast<char*>(LocalAlloc(LMEM_ZEROINIT, kPathBufferSize));
    if (path == nullptr) return;
    // A path that does not fit comes back without its terminating zero.
    GetModuleFileNameA(moduleHandle, path, kPathBufferSize);
    path[kPathBufferSize - 1] = '\0';
    const auto* services = context != nullptr ? hostPtrAs<HostEditServices>(context->services) : nullptr;
    if (services != nullptr && services->pathCallback != 0)
        hostFn<PathCallback>(services->pathCallback)(path, 1, 1);
    LocalFree(path);
}

INT_PTR onCommand(HWND dialog, uint16_t command) {
    const auto* context = hostPtrAs<AboutContext>(static_cast<HostRef>(GetWindowLongA(dialog, DWLP_USER)));
    switch (command) {
        case kCommandOk: EndDialog(dialog, kAboutClosedWithOk); break;
        case kCommandCancel: EndDialog(dialog, kAboutCancelled); break;
        case kCommandSendPath: sendModulePath(context); break;
        default: break;
    }
    return 0;
}

uint16_t readU16(const uint8_t* at) {
    uint16_t v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

// The table is always 2^b entries; the header's colours-used count is ignored.
uint16_t colourTableBytes(uint16_t bitCount) {
    return bitCount <= 8 ? static_cast<uint16_t>(4u << bitCount) : 0;
}

// Rows padded to 32 bits; the 16-bit results drop any higher bits.
uint16_t pixelBytes(uint16_t width, uint16_t height, uint16_t bitCount) {
    const uint32_t rowBytes = ((uint32_t{width} * bitCount + 31) & ~uint32_t{31}) / 8;
    return static_cast<uint16_t>(rowBytes * height);
}

// A packed device-independent bitmap: header, colour table, pixels.
uint32_t packedDibSize(const uint8_t* header) {
    const uint16_t bitCount = readU16(header + kHeaderBitCountAt);
    const uint16_t width = readU16(header + kHeaderWidthAt);
    const uint16_t height = readU16(header + kHeaderHeightAt);
    return kInfoHeaderSize + colourTableBytes(bitCount) + pixelBytes(width, height, bitCount);
}
}  // namespace

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongA(dialog, DWLP_USER, static_cast<LONG>(lParam));
        return 1;
    }
    if (message == WM_COMMAND) return onCommand(dialog, static_cast<uint16_t>(wParam));
    return 0;
}

int32_t runAboutBox(HostEditServices* services, uint32_t editData) {
    AboutContext context{editData, hostRef(services)};
    return orvexRunDialog(moduleHandle, KINEMO_DIALOG_ABOUT, services->parentWindow, aboutDialogProc, 0, 0,
                          kRunDialogOptions, hostRef(&context));
}

extern "C" {

void KINEMO_STDCALL GetObjInfos(HostEditServices* services, uint32_t unused, char* name, char* author, char* legal,
                                char* version, char* web) {
    (void)services;
    (void)unused;
    copyModuleString(KINEMO_STRING_NAME, name, kTextBufferSize);
    copyModuleString(KINEMO_STRING_AUTHOR, author, kTextBufferSize);
    copyModuleString(KINEMO_STRING_COPYRIGHT, legal, kTextBufferSize);
    copyModuleString(KINEMO_STRING_VERSION, version, kTextBufferSize);
    copyModuleString(KINEMO_STRING_WEB, web, kTextBufferSize);
}

// The icon for the host's lists: the icon bitmap copied as a packed DIB.
int32_t KINEMO_STDCALL MakeIcon(HostEditServices* services, uint8_t* icon, uint32_t a, uint32_t b, uint32_t c) {
    (void)services;
    (void)a;
    (void)b;
    (void)c;
    HRSRC found = FindResourceA(moduleHandle, MAKEINTRESOURCEA(KINEMO_BITMAP_ICON), RT_BITMAP);
    if (found == nullptr) return -1;
    HGLOBAL loaded = LoadResource(moduleHandle, found);
    if (loaded == nullptr) return -1;
    const auto* dib = static_cast<const uint8_t*>(LockResource(loaded));
    if (dib == nullptr) {
        FreeResource(loaded);
        return -1;
    }
    std::memcpy(icon, dib, packedDibSize(dib));
    FreeResource(loaded);
    return 0;
}

}  // extern "C"

}  // namespace kinemo
