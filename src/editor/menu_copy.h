// Menus handed to the host are fresh copies of the module's templates;
// the host owns them from then on.
#pragma once
#include <cstdint>

#include "platform/winapi.h"

// A new popup menu with the contents of the template's first popup, or null.
// The loaded template is destroyed whatever the outcome.
HMENU loadMenuCopy(uint16_t templateId);
// Appends every item of source to dest, item for item, popups recursed.
void copyMenuItems(HMENU dest, HMENU source);
