// What kinemo-host reads of one instance after a frame: the RunData motion
// fields and the bound target's position. Its column order is the trace's.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace khost {

struct InstanceState {
    int64_t frame = 0;
    int instance = 0;
    float x = 0, y = 0, xSpeed = 0, ySpeed = 0, angle = 0, speed = 0;
    float gravityStrength = 0, gravityAngle = 0, maxSpeed = 0, minSpeed = 0, bounceCoefficient = 0;
    int32_t mode = 0;
    uint8_t paused = 0, objectSet = 0;
    int32_t boundLeft = 0, boundTop = 0, boundRight = 0, boundBottom = 0;
    int target = -1;  // object index while bound, else -1
    int16_t posX = 0, posY = 0;

    bool bound() const { return target >= 0; }
    bool moves() const { return objectSet == 1 && paused == 0; }
};

std::span<const std::string_view> stateColumns();
// posX and posY of an instance that moves no target, as a dump shows them;
// the trace leaves them empty, so that its columns stay numeric.
constexpr std::string_view kNoTarget = "unbound";
// Values in column order; `noTarget` stands in posX and posY while unbound.
std::vector<std::string> stateValues(const InstanceState& s, std::string_view instanceName, std::string_view noTarget);

}  // namespace khost
