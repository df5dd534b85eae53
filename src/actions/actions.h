// The action routines, in action-table order (index = event code).
#pragma once
#include "host/routines.h"

#define KINEMO_ACTION(name) int16_t KINEMO_STDCALL name(RunData* rd, uint32_t p1, uint32_t p2)

KINEMO_ACTION(actSetAngle);              // 0
KINEMO_ACTION(actSetSpeed);              // 1
KINEMO_ACTION(actSetObject);             // 2
KINEMO_ACTION(actSetGravityStrength);    // 3
KINEMO_ACTION(actSetGravityAngle);       // 4
KINEMO_ACTION(actSetX);                  // 5
KINEMO_ACTION(actSetY);                  // 6
KINEMO_ACTION(actSetPosition);           // 7
KINEMO_ACTION(actSetMinimumSpeed);       // 8
KINEMO_ACTION(actSetMaximumSpeed);       // 9
KINEMO_ACTION(actSetXSpeed);             // 10
KINEMO_ACTION(actSetYSpeed);             // 11
KINEMO_ACTION(actAimAtObject);           // 12
KINEMO_ACTION(actAimGravityAtObject);    // 13
KINEMO_ACTION(actAimAtPoint);            // 14
KINEMO_ACTION(actAimGravityAtPoint);     // 15
KINEMO_ACTION(actWrapMode);              // 16
KINEMO_ACTION(actBounceMode);            // 17
KINEMO_ACTION(actNoMode);                // 18
KINEMO_ACTION(actSetBounceCoefficient);  // 19
KINEMO_ACTION(actPause);                 // 20
KINEMO_ACTION(actResume);                // 21
KINEMO_ACTION(actForcedBounce);          // 22
KINEMO_ACTION(actMoveTowardsObject);     // 23
KINEMO_ACTION(actPushTowardsObject);     // 24
KINEMO_ACTION(actPushAtAngle);           // 25
KINEMO_ACTION(actMoveAtAngle);           // 26
KINEMO_ACTION(actRotateTowardsObject);   // 27
KINEMO_ACTION(actRotateTowardsAngle);    // 28
