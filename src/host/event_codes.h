// Event codes as the host's event editor stores them: each is its routine's
// index in the routine tables, its descriptor row and its menu entry.
#pragma once

namespace ConditionCode {
enum : int { IsPaused, Count };
}

namespace ActionCode {
enum : int {
    SetAngle, SetSpeed, SetObject, SetGravityStrength, SetGravityAngle, SetX, SetY, SetPosition,
    SetMinimumSpeed, SetMaximumSpeed, SetXSpeed, SetYSpeed, AimAtObject, AimGravityAtObject, AimAtPoint,
    AimGravityAtPoint, WrapMode, BounceMode, NoMode, SetBounceCoefficient, Pause, Resume, ForcedBounce,
    MoveTowardsObject, PushTowardsObject, PushAtAngle, MoveAtAngle, RotateTowardsObject, RotateTowardsAngle,
    Count
};
}

namespace ExpressionCode {
enum : int {
    GetAngle, GetSpeed, GetX, GetY, GetXSpeed, GetYSpeed, GetGravityStrength, GetGravityAngle, GetMaxSpeed,
    GetMinSpeed, GetBounceCoe, GetDist, GetAng, GetDistPoints, GetAngPoints, Count
};
}
