#include "actions/actions.h"
#include "expressions/expressions.h"
#include "platform/fp_control.h"

namespace kinemo {
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

// An expression row says which: the geometry expressions first fetch their
// parameters under the host's own state (the fetch runs the host's
// expression evaluator), then guard their arithmetic themselves.
#define KINEMO_GUARD_Guarded(body) guardedExpression<body>
#define KINEMO_GUARD_SelfGuarded(body) body

}  // namespace

// The condition only compares a byte.
#define KINEMO_CONDITION_ROUTINE(name, ...) cond##name,
const ConditionRoutine conditionRoutines[kConditionCount + 1] = {KINEMO_CONDITIONS(KINEMO_CONDITION_ROUTINE) nullptr};

#define KINEMO_ACTION_ROUTINE(name, ...) guardedAction<act##name>,
const ActionRoutine actionRoutines[kActionCount + 1] = {KINEMO_ACTIONS(KINEMO_ACTION_ROUTINE) nullptr};

#define KINEMO_EXPRESSION_ROUTINE(name, guard, ...) KINEMO_GUARD_##guard(exp##name),
const ExpressionRoutine expressionRoutines[kExpressionCount + 1] = {KINEMO_EXPRESSIONS(KINEMO_EXPRESSION_ROUTINE) nullptr};

}  // namespace kinemo
