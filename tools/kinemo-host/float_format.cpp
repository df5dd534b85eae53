#include "kinemo-host/float_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace khost {

std::string formatFloat(float v) {
    if (std::isnan(v)) return "nan";
    char buf[64];
    auto result = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, result.ptr);
}

std::string formatCoordinate(double v) {
    if (!std::isfinite(v)) return "0";
    char buf[64];
    auto result = std::to_chars(buf, buf + sizeof buf, std::round(v * 100.0) / 100.0, std::chars_format::fixed);
    std::string text(buf, result.ptr);
    if (text == "-0") text = "0";
    return text;
}

}  // namespace khost
