// Edit-time calls need a HostEditServices record; ours reports a host
// recent enough for every edit-time entry point.
#pragma once
#include <cstdint>
#include <string>

#include "driver/host_harness.h"
#include "driver/module.h"

namespace khost {

struct EditSession {
    kdrv::Addr services = 0;
    kdrv::Addr textBuffer = 0;
};

EditSession newEditSession(kdrv::Module& m);

// A family's display string (Get*String) and parameter title (Get*Title) of
// an event, in the module's single-byte encoding; empty if the module wrote nothing.
std::string moduleString(kdrv::Module& m, const EditSession& session, const hostrec::FamilyInfo& family,
                         uint32_t code);
std::string moduleTitle(kdrv::Module& m, const EditSession& session, const hostrec::FamilyInfo& family,
                        uint32_t code, uint32_t param);

}  // namespace khost
