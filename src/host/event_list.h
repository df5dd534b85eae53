/* Every event of the module, one row each, in code order: an event's code is
   its position in its family's list. Everything about an event that the host
   sees follows from its row: the enum of codes, the routine tables (routine
   act/cond/exp + name), the descriptor rows, and the menu command and string
   entries of kinemo.rc (menu id and string id: base + step * code, from
   resource_ids.h). Moving a row moves all of them together.

   Row: X(name, display string, parameter types...). The display string is
   single-byte text, "\260" the degree sign; each %N names parameter N.
   Expression rows carry one more column before the display string: Guarded
   when the routine runs whole under the module's floating-point state,
   SelfGuarded when it first fetches its parameters under the host's.
   Plain macros and C: the resource compiler reads this file too. */
#pragma once

#define KINEMO_CONDITIONS(X) \
    X(IsPaused, "Is Paused")

#define KINEMO_ACTIONS(X)                                                           \
    X(SetAngle, "Set Angle %0\260", ParamNumber)                                    \
    X(SetSpeed, "Set Speed %0", ParamNumber)                                        \
    X(SetObject, "Set Object %0", ParamObject)                                      \
    X(SetGravityStrength, "Set Gravity Strength %0", ParamNumber)                   \
    X(SetGravityAngle, "Set Gravity Angle %0\260", ParamNumber)                     \
    X(SetX, "Set X to %0", ParamNumber)                                             \
    X(SetY, "Set Y to %0", ParamNumber)                                             \
    X(SetPosition, "Set Position (%0, %1)", ParamNumber, ParamNumber)               \
    X(SetMinimumSpeed, "Set Minimum Speed %0", ParamNumber)                         \
    X(SetMaximumSpeed, "Set Maximum Speed %0", ParamNumber)                         \
    X(SetXSpeed, "Set X Speed %0", ParamNumber)                                     \
    X(SetYSpeed, "Set Y Speed %0", ParamNumber)                                     \
    X(AimAtObject, "Set Kinemo Towards %0", ParamObject)                            \
    X(AimGravityAtObject, "Set Gravity Towards %0", ParamObject)                    \
    X(AimAtPoint, "Set Kinemo Towards (%0, %1)", ParamNumber, ParamNumber)          \
    X(AimGravityAtPoint, "Set Gravity Towards (%0, %1)", ParamNumber, ParamNumber)  \
    X(WrapMode, "Wrap Mode")                                                        \
    X(BounceMode, "Bounce Mode")                                                    \
    X(NoMode, "No Mode")                                                            \
    X(SetBounceCoefficient, "Set Bounce Coefficient %0", ParamNumber)               \
    X(Pause, "Pause Kinemo")                                                        \
    X(Resume, "Resume Kinemo")                                                      \
    X(ForcedBounce, "Bounce, Plane Angle %0", ParamNumber)                          \
    X(MoveTowardsObject, "Move %0 Towards %1", ParamNumber, ParamObject)            \
    X(PushTowardsObject, "Directional Speed %0, (%1)", ParamNumber, ParamObject)    \
    X(PushAtAngle, "Directional Speed %0, (%1\260)", ParamNumber, ParamNumber)      \
    X(MoveAtAngle, "Move %0 at %1\260", ParamNumber, ParamNumber)                   \
    X(RotateTowardsObject, "Rotate %0\260 towards %1", ParamNumber, ParamObject)    \
    X(RotateTowardsAngle, "Rotate %0\260 towards %1\260", ParamNumber, ParamNumber)

#define KINEMO_EXPRESSIONS(X)                                                                         \
    X(GetAngle, Guarded, "GetAngle(")                                                                 \
    X(GetSpeed, Guarded, "GetSpeed(")                                                                 \
    X(GetX, Guarded, "GetX(")                                                                         \
    X(GetY, Guarded, "GetY(")                                                                         \
    X(GetXSpeed, Guarded, "GetXSpeed(")                                                               \
    X(GetYSpeed, Guarded, "GetYSpeed(")                                                               \
    X(GetGravityStrength, Guarded, "GetGravityStrength(")                                             \
    X(GetGravityAngle, Guarded, "GetGravityAngle(")                                                   \
    X(GetMaxSpeed, Guarded, "GetMaxSpeed(")                                                           \
    X(GetMinSpeed, Guarded, "GetMinSpeed(")                                                           \
    X(GetBounceCoe, Guarded, "GetBounceCoe(")                                                         \
    X(GetDist, SelfGuarded, "GetDist(", ParamFetched, ParamFetched)                                   \
    X(GetAng, SelfGuarded, "GetAng(", ParamFetched, ParamFetched)                                     \
    X(GetDistPoints, SelfGuarded, "GetDistPoints(", ParamFetched, ParamFetched, ParamFetched, ParamFetched) \
    X(GetAngPoints, SelfGuarded, "GetAngPoints(", ParamFetched, ParamFetched, ParamFetched, ParamFetched)

/* Descriptor flags, the same on every row of a family. */
#define KINEMO_CONDITION_FLAGS 0x0200
#define KINEMO_ACTION_FLAGS 0x0000
#define KINEMO_EXPRESSION_FLAGS 0x0002 /* every expression returns a float */

#ifndef RC_INVOKED
#include <cstdint>

namespace kinemo {

/* Parameter type codes, as the host reads them from a descriptor row. */
enum ParamType : int16_t {
    ParamNumber = 22,  /* action: a number the host evaluates, passed as a signed 32-bit integer */
    ParamObject = 1,   /* action: an object the author picks, passed as a HostObject pointer */
    ParamFetched = 1,  /* expression: a value fetched through the host's callbacks */
};

}  // namespace kinemo
#endif
