#include "actions/actions.h"
#include "expressions/expressions.h"
#include "platform/fp_control.h"

namespace {

// Every routine that computes runs under the module's floating-point control
// words, whatever the host left (the bodies live in other files, so none of
// their arithmetic can move out of the guard).
template <ActionRoutine Body>
int16_t KINEMO_STDCALL guardedAction(RunData* rd, uint32_t p1, uint32_t p2) {
    return inModuleFp(Body, rd, p1, p2);
}

template <ExpressionRoutine Body>
uint32_t KINEMO_STDCALL guardedExpression(RunData* rd, uint32_t paramHandle) {
    return inModuleFp(Body, rd, paramHandle);
}

}  // namespace

// The condition only compares a byte.
const ConditionRoutine conditionRoutines[kConditionCount + 1] = {condIsPaused, nullptr};

#define G guardedAction
const ActionRoutine actionRoutines[kActionCount + 1] = {
    G<actSetAngle>,          G<actSetSpeed>,           G<actSetObject>,          G<actSetGravityStrength>,
    G<actSetGravityAngle>,   G<actSetX>,               G<actSetY>,               G<actSetPosition>,
    G<actSetMinimumSpeed>,   G<actSetMaximumSpeed>,    G<actSetXSpeed>,          G<actSetYSpeed>,
    G<actAimAtObject>,       G<actAimGravityAtObject>, G<actAimAtPoint>,         G<actAimGravityAtPoint>,
    G<actWrapMode>,          G<actBounceMode>,         G<actNoMode>,             G<actSetBounceCoefficient>,
    G<actPause>,             G<actResume>,             G<actForcedBounce>,       G<actMoveTowardsObject>,
    G<actPushTowardsObject>, G<actPushAtAngle>,        G<actMoveAtAngle>,        G<actRotateTowardsObject>,
    G<actRotateTowardsAngle>, nullptr};
#undef G

// The geometry expressions first fetch their parameters under the host's own
// state (the fetch runs the host's expression evaluator), then guard their
// arithmetic themselves.
#define G guardedExpression
const ExpressionRoutine expressionRoutines[kExpressionCount + 1] = {
    G<expGetAngle>,     G<expGetSpeed>,        G<expGetX>,          G<expGetY>,
    G<expGetXSpeed>,    G<expGetYSpeed>,       G<expGetGravityStrength>, G<expGetGravityAngle>,
    G<expGetMaxSpeed>,  G<expGetMinSpeed>,     G<expGetBounceCoe>,  expGetDist,
    expGetAng,          expGetDistPoints,      expGetAngPoints,     nullptr};
#undef G
