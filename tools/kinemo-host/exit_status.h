// The exit statuses of every kinemo-host command.
#pragma once

namespace khost {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;   // the module, a file, standard output, or a check failed
constexpr int kExitBadScene = 2;  // scene errors: nothing was run
constexpr int kExitUsage = 2;     // a bad command line

}  // namespace khost
