// Edit-time entry points that rely on a recent host check its version first.
#pragma once
#include "host/host_structs.h"

// True when the host's version callback exists and reports 1.5 or later
// in its high 16 bits. Asked anew on every call.
bool hostVersionAllows(const HostEditServices* services);
