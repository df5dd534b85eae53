// Placeholders, removed as each action lands.
#include "actions/actions.h"

KINEMO_ACTION(actSetAngle) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actSetSpeed) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actSetObject) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actSetGravityStrength) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actSetGravityAngle) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actSetX) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actSetY) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actSetPosition) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actSetMinimumSpeed) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actSetMaximumSpeed) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actSetXSpeed) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actSetYSpeed) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actAimAtObject) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actAimGravityAtObject) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actAimAtPoint) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actAimGravityAtPoint) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actWrapMode) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actBounceMode) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actNoMode) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actSetBounceCoefficient) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actPause) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actResume) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actForcedBounce) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actMoveTowardsObject) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actPushTowardsObject) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actPushAtAngle) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actMoveAtAngle) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actRotateTowardsObject) { (void)rd; (void)p1; (void)p2; return 0; }
KINEMO_ACTION(actRotateTowardsAngle) { (void)rd; (void)p1; (void)p2; return 0; }
