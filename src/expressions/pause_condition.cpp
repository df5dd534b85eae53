#include "expressions/expressions.h"

namespace kinemo {
// Only exactly 1 counts as paused; other non-zero bytes stop the step but
// do not satisfy the condition.
uint32_t KINEMO_STDCALL condIsPaused(RunData* rd, uint32_t p1, uint32_t p2) {
    (void)p1;
    (void)p2;
    return rd->paused == 1 ? 1 : 0;
}

}  // namespace kinemo
