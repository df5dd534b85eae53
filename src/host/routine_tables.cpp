#include "actions/actions.h"
#include "expressions/expressions.h"

const ConditionRoutine conditionRoutines[kConditionCount + 1] = {condIsPaused, nullptr};

const ActionRoutine actionRoutines[kActionCount + 1] = {
    actSetAngle,          actSetSpeed,           actSetObject,          actSetGravityStrength,
    actSetGravityAngle,   actSetX,               actSetY,               actSetPosition,
    actSetMinimumSpeed,   actSetMaximumSpeed,    actSetXSpeed,          actSetYSpeed,
    actAimAtObject,       actAimGravityAtObject, actAimAtPoint,         actAimGravityAtPoint,
    actWrapMode,          actBounceMode,         actNoMode,             actSetBounceCoefficient,
    actPause,             actResume,             actForcedBounce,       actMoveTowardsObject,
    actPushTowardsObject, actPushAtAngle,        actMoveAtAngle,        actRotateTowardsObject,
    actRotateTowardsAngle, nullptr};

const ExpressionRoutine expressionRoutines[kExpressionCount + 1] = {
    expGetAngle,     expGetSpeed,        expGetX,          expGetY,
    expGetXSpeed,    expGetYSpeed,       expGetGravityStrength, expGetGravityAngle,
    expGetMaxSpeed,  expGetMinSpeed,     expGetBounceCoe,  expGetDist,
    expGetAng,       expGetDistPoints,   expGetAngPoints,  nullptr};
