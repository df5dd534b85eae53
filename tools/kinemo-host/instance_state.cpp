#include "kinemo-host/instance_state.h"

#include <array>

#include "kinemo-host/text_forms.h"

namespace khost {
namespace {
constexpr std::array<std::string_view, 22> kColumns{
    "frame",      "instance",   "x",          "y",           "xSpeed",  "ySpeed",  "angle",     "speed",
    "gravityStrength", "gravityAngle", "maxSpeed", "minSpeed", "bounceCoefficient", "mode", "paused", "objectSet",
    "boundLeft",  "boundTop",   "boundRight", "boundBottom", "posX",    "posY"};
}  // namespace

std::span<const std::string_view> stateColumns() { return kColumns; }

std::vector<std::string> stateValues(const InstanceState& s, std::string_view instanceName, std::string_view noTarget) {
    auto i = [](int64_t v) { return std::to_string(v); };
    return {i(s.frame),
            std::string(instanceName),
            formatFloat(s.x),
            formatFloat(s.y),
            formatFloat(s.xSpeed),
            formatFloat(s.ySpeed),
            formatFloat(s.angle),
            formatFloat(s.speed),
            formatFloat(s.gravityStrength),
            formatFloat(s.gravityAngle),
            formatFloat(s.maxSpeed),
            formatFloat(s.minSpeed),
            formatFloat(s.bounceCoefficient),
            i(s.mode),
            i(s.paused),
            i(s.objectSet),
            i(s.boundLeft),
            i(s.boundTop),
            i(s.boundRight),
            i(s.boundBottom),
            s.bound() ? i(s.posX) : std::string(noTarget),
            s.bound() ? i(s.posY) : std::string(noTarget)};
}

}  // namespace khost
