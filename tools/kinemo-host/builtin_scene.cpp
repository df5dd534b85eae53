#include "kinemo-host/builtin_scene.h"

namespace khost {

std::string_view builtinSceneText() {
    return R"(# A ball thrown to the right bounces under gravity, losing a fifth of its
# speed at each bounce, while a cloud drifts left and wraps around.
playfield 640 480

object ball 60 80 32 32 16 16
kinemo k
action k Set Object ball
action k Bounce Mode
action k Set Bounce Coefficient 80
action k Set Gravity Strength 2500
action k Set Speed 900
action k Set Angle 30°

object cloud 500 120 96 40 48 20
kinemo drift
action drift Set Object cloud
action drift Wrap Mode
action drift Set Speed 400
action drift Set Angle 170°

step 240
condition k Is Paused
expression k GetDist(320, 240)
)";
}

}  // namespace khost
