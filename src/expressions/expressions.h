// The condition and expression routines, in table order (index = event code).
#pragma once
#include "host/routines.h"

uint32_t KINEMO_STDCALL condIsPaused(RunData* rd, uint32_t p1, uint32_t p2);

#define KINEMO_EXPRESSION(name) uint32_t KINEMO_STDCALL name(RunData* rd, uint32_t paramHandle)

KINEMO_EXPRESSION(expGetAngle);            // 0
KINEMO_EXPRESSION(expGetSpeed);            // 1
KINEMO_EXPRESSION(expGetX);                // 2
KINEMO_EXPRESSION(expGetY);                // 3
KINEMO_EXPRESSION(expGetXSpeed);           // 4
KINEMO_EXPRESSION(expGetYSpeed);           // 5
KINEMO_EXPRESSION(expGetGravityStrength);  // 6
KINEMO_EXPRESSION(expGetGravityAngle);     // 7
KINEMO_EXPRESSION(expGetMaxSpeed);         // 8
KINEMO_EXPRESSION(expGetMinSpeed);         // 9
KINEMO_EXPRESSION(expGetBounceCoe);        // 10
KINEMO_EXPRESSION(expGetDist);             // 11
KINEMO_EXPRESSION(expGetAng);              // 12
KINEMO_EXPRESSION(expGetDistPoints);       // 13
KINEMO_EXPRESSION(expGetAngPoints);        // 14
