// ORVEX32's drawing target and image operations: each call recorded, image
// objects checked for misuse, and any one operation made to fail on demand.
#include "platform/orvex32.h"
#include "standins/state.h"

using kinemo::OrvexImage;
using kinemo::OrvexOrdinal;

namespace {
constexpr uint32_t ordinalOf(OrvexOrdinal o) { return static_cast<uint32_t>(o); }
constexpr uint32_t kDrawingTargetOrdinal = ordinalOf(OrvexOrdinal::DrawingTarget);
constexpr uint32_t kImageInit = ordinalOf(OrvexOrdinal::ImageInit), kImageDispose = ordinalOf(OrvexOrdinal::ImageDispose),
                   kImageDraw = ordinalOf(OrvexOrdinal::ImageDraw), kImageSetup = ordinalOf(OrvexOrdinal::ImageSetup),
                   kImageLoad = ordinalOf(OrvexOrdinal::ImageLoad);
}  // namespace

namespace standin {

void setDrawingTarget(uint32_t target) { state().drawingTarget = target; }

const std::vector<OrvexCall>& orvexCalls() { return state().orvexCalls; }

uint32_t drawingTarget(uint32_t displayHandle, uint32_t zero) {
    State& s = state();
    s.orvexCalls.push_back(OrvexCall{kDrawingTargetOrdinal, 0, {displayHandle, zero}});
    return s.drawingTarget;
}

void failImageOperation(uint32_t ordinal) { state().failingImageOp = ordinal; }

int imageMisuses() { return state().imageMisuses; }

bool imageOperation(uint32_t ordinal, uint64_t object, std::vector<uint32_t> args) {
    State& s = state();
    s.orvexCalls.push_back(OrvexCall{ordinal, object, std::move(args)});
    if (ordinal == kImageInit) s.openImages.insert(object);
    if (ordinal == kImageDispose) s.openImages.erase(object);
    return ordinal == s.failingImageOp;
}

}  // namespace standin

namespace {

constexpr uintptr_t kImageAlignment = 16;

uint64_t objectKey(const OrvexImage* self) { return reinterpret_cast<uintptr_t>(self); }

// The library's own state in the object: a pattern no caller would write.
uint8_t patternAt(size_t i) { return static_cast<uint8_t>(i * 7 + 0x5B); }

bool holdsPattern(const OrvexImage* self) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(self);
    for (size_t i = 0; i < standin::kLibraryImageBytes; ++i)
        if (bytes[i] != patternAt(i)) return false;
    return true;
}

int32_t imageCall(uint32_t ordinal, OrvexImage* self, std::vector<uint32_t> args) {
    const bool misaligned = reinterpret_cast<uintptr_t>(self) % kImageAlignment != 0;
    if (misaligned || (ordinal != kImageInit && !holdsPattern(self))) ++standin::state().imageMisuses;
    if (standin::imageOperation(ordinal, objectKey(self), std::move(args))) throw standin::ImageFault(ordinal);
    if (ordinal == kImageInit) {
        auto* bytes = reinterpret_cast<uint8_t*>(self);
        for (size_t i = 0; i < standin::kLibraryImageBytes; ++i) bytes[i] = patternAt(i);
    }
    return 1;
}

}  // namespace

extern "C" {
uint32_t orvexDrawingTarget(uint32_t displayHandle, uint32_t zero) { return standin::drawingTarget(displayHandle, zero); }

int32_t orvexImageInit(OrvexImage* self) { return imageCall(kImageInit, self, {}); }

int32_t orvexImageSetup(OrvexImage* self, uint32_t a, uint32_t b, uint32_t target) {
    return imageCall(kImageSetup, self, {a, b, target});
}

int32_t orvexImageLoad(OrvexImage* self, HINSTANCE module, uint32_t id, uint32_t one) {
    return imageCall(kImageLoad, self, {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(module)), id, one});
}

int32_t orvexImageDraw(OrvexImage* self, uint32_t target, int32_t left, int32_t top, uint32_t one, uint32_t z1,
                       uint32_t z2, uint32_t z3) {
    return imageCall(kImageDraw, self, {target, static_cast<uint32_t>(left), static_cast<uint32_t>(top), one, z1, z2, z3});
}

int32_t orvexImageDispose(OrvexImage* self) { return imageCall(kImageDispose, self, {}); }
}
