#include "editor/image_guard.h"

#if defined(_WIN32) && defined(__i386__)
#include <excpt.h>
#endif

namespace kinemo {

#if defined(_WIN32) && defined(__i386__)
namespace {
// Called by the system for each exception passing this frame: first while it
// looks for a handler (nothing to do), then, once an outer frame has taken the
// exception, while unwinding, when the image is disposed of. The system
// unlinks the frame itself after the unwind call.
extern "C" EXCEPTION_DISPOSITION __cdecl disposeImageOnUnwind(EXCEPTION_RECORD* record, void* establisherFrame,
                                                               CONTEXT* context, void* dispatcherContext) {
    (void)context;
    (void)dispatcherContext;
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        orvexImageDispose(static_cast<UnwindFrame*>(establisherFrame)->image);
    return ExceptionContinueSearch;
}

// The frame lives in the guard on this thread's stack, below every frame
// already on the chain, as the system requires.
void linkFrame(UnwindFrame* frame) {
    asm volatile("movl %%fs:0, %0" : "=r"(frame->next));
    frame->handler = reinterpret_cast<void*>(&disposeImageOnUnwind);
    asm volatile("movl %0, %%fs:0" : : "r"(frame) : "memory");
}

void unlinkFrame(const UnwindFrame* frame) {
    asm volatile("movl %0, %%fs:0" : : "r"(frame->next) : "memory");
}
}  // namespace

ImageGuard::ImageGuard(OrvexImage* guarded) : image(guarded), frame{nullptr, nullptr, guarded} { linkFrame(&frame); }

ImageGuard::~ImageGuard() noexcept(false) {
    unlinkFrame(&frame);
    orvexImageDispose(image);
}

#else

ImageGuard::ImageGuard(OrvexImage* guarded) : image(guarded) {}

ImageGuard::~ImageGuard() noexcept(false) { orvexImageDispose(image); }

#endif

}  // namespace kinemo
