// What the edit-time entry points share: the check of the host's version,
// and text handed to the host, copied into its buffer and cut at size - 1
// characters plus a terminating zero.
#pragma once
#include <cstdint>

#include "host/host_structs.h"

namespace kinemo {
// True when the host's version callback exists and reports 1.5 or later
// in its high 16 bits. Asked anew on every call.
bool hostVersionAllows(const HostEditServices* services);

// Loads a string of the module's table; an id without a string gives "".
// A zero-sized buffer is left alone.
void copyModuleString(uint32_t stringId, char* buffer, uint16_t size);
void copyEmptyString(char* buffer, uint16_t size);
// The label of the first item carrying menuId in a menu template, searched
// through its submenus. The buffer stays untouched if the template is missing.
void copyMenuLabel(uint16_t templateId, uint16_t menuId, char* buffer, uint16_t size);

}  // namespace kinemo
