// Placeholders, removed as each routine lands.
#include "expressions/expressions.h"

uint32_t KINEMO_STDCALL condIsPaused(RunData* rd, uint32_t p1, uint32_t p2) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_EXPRESSION(expGetAngle) { (void)rd; (void)paramHandle; return 0; }
KINEMO_EXPRESSION(expGetSpeed) { (void)rd; (void)paramHandle; return 0; }
KINEMO_EXPRESSION(expGetX) { (void)rd; (void)paramHandle; return 0; }
KINEMO_EXPRESSION(expGetY) { (void)rd; (void)paramHandle; return 0; }
KINEMO_EXPRESSION(expGetXSpeed) { (void)rd; (void)paramHandle; return 0; }
KINEMO_EXPRESSION(expGetYSpeed) { (void)rd; (void)paramHandle; return 0; }
KINEMO_EXPRESSION(expGetGravityStrength) { (void)rd; (void)paramHandle; return 0; }
KINEMO_EXPRESSION(expGetGravityAngle) { (void)rd; (void)paramHandle; return 0; }
KINEMO_EXPRESSION(expGetMaxSpeed) { (void)rd; (void)paramHandle; return 0; }
KINEMO_EXPRESSION(expGetMinSpeed) { (void)rd; (void)paramHandle; return 0; }
KINEMO_EXPRESSION(expGetBounceCoe) { (void)rd; (void)paramHandle; return 0; }
KINEMO_EXPRESSION(expGetDist) { (void)rd; (void)paramHandle; return 0; }
KINEMO_EXPRESSION(expGetAng) { (void)rd; (void)paramHandle; return 0; }
KINEMO_EXPRESSION(expGetDistPoints) { (void)rd; (void)paramHandle; return 0; }
KINEMO_EXPRESSION(expGetAngPoints) { (void)rd; (void)paramHandle; return 0; }
