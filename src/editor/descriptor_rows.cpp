// Scans over a descriptor table: by event code and by menu command id.
#include "editor/event_descriptor.h"

const int16_t* findRowByCode(const DescriptorTable& table, int16_t code) {
    const int16_t* row = table.rows;
    for (int i = 0; i < table.rowCount; ++i, row += rowWords(row))
        if (row[kRowCode] == code) return row;
    return nullptr;
}

// At most rowCount rows are examined; the first matching menuId wins, so a
// separator that reuses a row's id resolves to that row.
int16_t codeFromMenuId(const DescriptorTable& table, int16_t menuId) {
    const int16_t* row = table.rows;
    for (int left = table.rowCount; left > 0; --left, row += rowWords(row))
        if (row[kRowMenuId] == menuId) return row[kRowCode];
    return -1;
}
