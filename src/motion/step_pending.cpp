// Placeholder until the per-frame step lands.
#include "host/exports.h"
extern "C" int16_t KINEMO_STDCALL HandleRunObject(RunData* rd) { (void)rd; return 2; }
