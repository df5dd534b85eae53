// `kinemo-host validate`: runs the validator's checks on a module build.
#pragma once
#include <string>
#include <vector>

int runValidate(const std::vector<std::string>& args);

namespace kvalidate {
extern const char* const kUsage;
}
