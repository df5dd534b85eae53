// The replay page's trace: each column of 32-bit words packed as runs of
// equal values, raw words, or zigzag deltas, whichever is shortest, and the
// bytes carried as base64. replay.js reads it back.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace khost {

enum class ColumnCoding : uint8_t { Runs = 0, Raw = 1, Deltas = 2 };

// One coding byte, then the words in that coding.
void appendColumn(std::string& out, std::span<const uint32_t> words);
std::string base64(std::string_view bytes);

}  // namespace khost
