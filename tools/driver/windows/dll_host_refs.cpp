// The test DLL's own 64-bit host references, for the driver that loads it:
// the driver's addresses must be this module's references. Built into the
// win64 test DLL only; the shipped DLL holds addresses and needs none.
#include "platform/host_ref.h"

using kinemo::HostRef;
using kinemo::hostPtr;
using kinemo::hostRef;

extern "C" {
HostRef kinemoHostRef(const void* p) { return hostRef(p); }
void* kinemoHostPtr(HostRef ref) { return hostPtr(ref); }
}
