// Disposes of a library image object on every way out of a scope.
// Natively a throwing library call unwinds through the destructor. On win32
// the library raises structured exceptions, which GCC's unwinder does not
// turn into destructor calls, so the guard also links a frame into the
// thread's exception chain whose handler disposes of the image on unwind.
#pragma once
#include "platform/orvex32.h"

namespace kinemo {
#if defined(_WIN32) && defined(__i386__)
// A record of the FS:[0] chain; the system hands its address to the handler.
struct UnwindFrame {
    UnwindFrame* next;
    void* handler;
    OrvexImage* image;
};
#endif

struct ImageGuard {
    OrvexImage* image;
#if defined(_WIN32) && defined(__i386__)
    UnwindFrame frame;
#endif
    explicit ImageGuard(OrvexImage* guarded);
    ~ImageGuard() noexcept(false);  // disposing may itself fail
    ImageGuard(const ImageGuard&) = delete;
    ImageGuard& operator=(const ImageGuard&) = delete;
};

}  // namespace kinemo
