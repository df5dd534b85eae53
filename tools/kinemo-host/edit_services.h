// Edit-time calls need a HostEditServices record; ours reports a host
// recent enough for every edit-time entry point.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "driver/module.h"

namespace khost {

struct EditSession {
    kdrv::Addr services = 0;
    kdrv::Addr textBuffer = 0;
};

EditSession newEditSession(kdrv::Module& m);

// Text entry points: Get*String (code), Get*Title (code, parameter index;
// GetExpressionTitle takes no index). The text comes back in the module's
// single-byte encoding; empty if the module wrote nothing.
std::string moduleString(kdrv::Module& m, const EditSession& session, std::string_view entry, uint32_t code);
std::string moduleTitle(kdrv::Module& m, const EditSession& session, std::string_view entry, uint32_t code,
                        uint32_t param);

}  // namespace khost
