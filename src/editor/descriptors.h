// Descriptor rows: runs of 16-bit words the host reads in place.
// A row is menuId, stringId, code, flags, paramCount, then paramCount type
// codes and paramCount title string ids; the next row follows at once.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kinemo {
constexpr int kRowMenuId = 0;
constexpr int kRowStringId = 1;
constexpr int kRowCode = 2;
constexpr int kRowFlags = 3;
constexpr int kRowParamCount = 4;
constexpr int kRowParamTypes = 5;

constexpr int rowWords(const int16_t* row) { return kRowParamTypes + 2 * row[kRowParamCount]; }

// How many parameters a display string names: one more than its highest %N.
constexpr int namedParamCount(const char* display) {
    int named = 0;
    for (const char* c = display; *c != 0; ++c)
        if (c[0] == '%' && c[1] >= '0' && c[1] <= '9' && c[1] - '0' + 1 > named) named = c[1] - '0' + 1;
    return named;
}

// A title id of 0 means "use the menu label of the row's menuId".
constexpr int16_t rowParamTitle(const int16_t* row, int index) {
    return row[kRowParamTypes + row[kRowParamCount] + index];
}

// One family's table together with the menu template its labels live in.
struct DescriptorTable {
    const int16_t* rows;
    int rowCount;
    uint16_t menuTemplate;
};

extern const DescriptorTable conditionTable;
extern const DescriptorTable actionTable;
extern const DescriptorTable expressionTable;

// The row whose code matches, or null for a code the table does not hold.
const int16_t* findRowByCode(const DescriptorTable& table, int16_t code);
// The code of the first row picked by a menu command, or -1.
int16_t codeFromMenuId(const DescriptorTable& table, int16_t menuId);

}  // namespace kinemo
