// The object's picture in the layout editor, drawn through the host's
// support library at the object's top-left corner.
#include "editor/image_guard.h"
#include "host/exports.h"

namespace {
constexpr uint16_t kPictureBitmap = 401;
constexpr uint32_t kImageSetupA = 4;
constexpr uint32_t kImageSetupB = 4;
}  // namespace

extern "C" void KINEMO_STDCALL EditorDisplay(HostEditServices* services, uint32_t a, uint32_t b, uint32_t c,
                                             int32_t* rect) {
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
    orvexImageSetup(&image, kImageSetupA, kImageSetupB, target);
    orvexImageLoad(&image, moduleHandle, kPictureBitmap, 1);
    orvexImageDraw(&image, target, left, top, 1, 0, 0, 0);
}
