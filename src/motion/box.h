// The wrap and bounce box, applied by the per-frame step.
#pragma once
#include "motion/run_data.h"

namespace kinemo {
// Jumps an axis that left the box onto the opposite bound.
void wrapInBox(RunData* rd);
// Clamps an axis that left the box onto the bound it passed and reflects its speed.
void bounceInBox(RunData* rd);

}  // namespace kinemo
