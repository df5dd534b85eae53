// The scene `run` plays when given none: bounce, gravity and wrap at once.
#pragma once
#include <string_view>

namespace khost {

constexpr std::string_view kBuiltinSceneName = "built-in scene";
std::string_view builtinSceneText();

}  // namespace khost
