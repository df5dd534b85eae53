// The Kinemo object in the layout editor: creation, sizing, its picture, the
// About command of its popup menu, and the editor calls it has no use for.
#include "editor/about.h"
#include "editor/edit_data.h"
#include "editor/edit_time.h"
#include "editor/image_guard.h"
#include "host/exports.h"
#include "host/resource_ids.h"
#include "platform/host_ref.h"

namespace kinemo {
namespace {
constexpr uint16_t kAboutMenuCommand = 2020;
constexpr int32_t kSelectPopupHandled = 4;
constexpr uint32_t kModifyResetsSize = 0;
constexpr uint32_t kImageSetup = 4;  // both setup words the picture needs

void setDefaultSize(EditData* edit) {
    edit->width = kEditorObjectSize;
    edit->height = kEditorObjectSize;
}

// right = left + width without signed overflow on the host's values.
int32_t offsetBy(int32_t origin, int16_t extent) {
    return static_cast<int32_t>(static_cast<uint32_t>(origin) + static_cast<uint32_t>(int32_t{extent}));
}
}  // namespace

extern "C" {

int32_t KINEMO_STDCALL CreateObject(HostEditServices* services, uint32_t unused, EditData* edit) {
    (void)unused;
    if (!hostVersionAllows(services)) return -1;
    edit->reservedA = 0;
    edit->reservedB = 0;
    setDefaultSize(edit);
    return runAboutBox(services, hostRef(edit));
}

int32_t KINEMO_STDCALL SelectPopup(HostEditServices* services, uint32_t command, uint32_t a, uint32_t b,
                                   uint32_t editWord, uint32_t c, uint32_t d) {
    (void)a;
    (void)b;
    (void)c;
    (void)d;
    if (!hostVersionAllows(services)) return 0;
    if (static_cast<uint16_t>(command) != kAboutMenuCommand) return 0;
    return runAboutBox(services, editWord) == kAboutClosedWithOk ? kSelectPopupHandled : 0;
}

int32_t KINEMO_STDCALL ModifyObject(HostEditServices* services, EditData* edit, uint32_t a, uint32_t b, uint32_t mode,
                                    uint32_t c) {
    (void)services;
    (void)a;
    (void)b;
    (void)c;
    if (mode == kModifyResetsSize) setDefaultSize(edit);
    return 0;
}

void KINEMO_STDCALL CreateFromFile(HostEditServices* services, EditData* edit) {
    (void)services;
    setDefaultSize(edit);
}

// rect is left, top, right, bottom; left and top are kept.
void KINEMO_STDCALL GetObjectRect(HostEditServices* services, int32_t* rect, uint32_t unused, EditData* edit) {
    (void)services;
    (void)unused;
    rect[2] = offsetBy(rect[0], edit->width);
    rect[3] = offsetBy(rect[1], edit->height);
}

// The object's picture, drawn through the host's support library at the
// object's top-left corner.
void KINEMO_STDCALL EditorDisplay(HostEditServices* services, uint32_t a, uint32_t b, uint32_t c, int32_t* rect) {
    (void)a;
    (void)b;
    (void)c;
    const uint32_t target = orvexDrawingTarget(services->displayHandle, 0);
    if (target == 0) return;
    const int32_t left = rect[0];
    const int32_t top = rect[1];

    OrvexImage image;
    orvexImageInit(&image);
    ImageGuard guard(&image);
    orvexImageSetup(&image, kImageSetup, kImageSetup, target);
    orvexImageLoad(&image, moduleHandle, KINEMO_BITMAP_PICTURE, 1);
    orvexImageDraw(&image, target, left, top, 1, 0, 0, 0);
}

void KINEMO_STDCALL AppendPopup(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e) {
    (void)a;
    (void)b;
    (void)c;
    (void)d;
    (void)e;
}

int32_t KINEMO_STDCALL RebuildExt(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e, uint32_t f) {
    (void)a;
    (void)b;
    (void)c;
    (void)d;
    (void)e;
    (void)f;
    return 0;
}

void KINEMO_STDCALL EndModifyObject(uint32_t a, uint32_t b, uint32_t c) {
    (void)a;
    (void)b;
    (void)c;
}

int32_t KINEMO_STDCALL IsTransparent(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e) {
    (void)a;
    (void)b;
    (void)c;
    (void)d;
    (void)e;
    return 0;
}

}  // extern "C"

}  // namespace kinemo
