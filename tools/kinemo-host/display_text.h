// The module's texts are single-byte (Windows-1252); the tool speaks UTF-8.
#pragma once
#include <string>
#include <string_view>

namespace khost {

constexpr char kDegreeByte = '\xB0';
constexpr std::string_view kDegreeUtf8 = "\xC2\xB0";

std::string singleByteToUtf8(std::string_view text);

}  // namespace khost
