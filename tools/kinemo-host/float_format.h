// Floats as the tool prints them: the shortest text that reads back to the
// same bits; "-0", "inf", "-inf" and "nan" as such.
#pragma once
#include <string>

namespace khost {

std::string formatFloat(float v);
// Fixed-point text for drawing coordinates (not for reading back).
std::string formatCoordinate(double v);

}  // namespace khost
