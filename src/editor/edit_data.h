// The object's edit-time record: the host owns it and sizes it from the
// registration record; the module only fills the fields after the header.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kinemo {
struct EditData {
    uint8_t editHeader[8];  // the host's; never read or written here
    int16_t reservedA;
    int16_t reservedB;
    int16_t width;
    int16_t height;
};
static_assert(sizeof(EditData) == 16);
static_assert(offsetof(EditData, reservedA) == 8 && offsetof(EditData, reservedB) == 10);
static_assert(offsetof(EditData, width) == 12 && offsetof(EditData, height) == 14);

// Every Kinemo object is a fixed 32 x 32 placeholder in the layout editor.
constexpr int16_t kEditorObjectSize = 32;

}  // namespace kinemo
