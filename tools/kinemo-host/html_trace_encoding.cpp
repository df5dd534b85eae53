#include "kinemo-host/html_trace_encoding.h"

#include <array>
#include <bit>

namespace khost {
namespace {

void appendVarint(std::string& out, uint32_t v) {
    while (v >= 0x80) {
        out += static_cast<char>((v & 0x7F) | 0x80);
        v >>= 7;
    }
    out += static_cast<char>(v);
}

void appendWord(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string runs(std::span<const uint32_t> words) {
    std::string body;
    uint32_t count = 0;
    for (size_t i = 0; i < words.size();) {
        size_t end = i;
        while (end < words.size() && words[end] == words[i]) ++end;
        appendVarint(body, static_cast<uint32_t>(end - i));
        appendWord(body, words[i]);
        ++count;
        i = end;
    }
    std::string out;
    appendVarint(out, count);
    return out + body;
}

std::string raw(std::span<const uint32_t> words) {
    std::string out;
    for (uint32_t w : words) appendWord(out, w);
    return out;
}

// Differences wrap around 2^32; a float's bits change little from frame to frame.
std::string deltas(std::span<const uint32_t> words) {
    std::string out;
    uint32_t previous = 0;
    for (uint32_t w : words) {
        int32_t d = std::bit_cast<int32_t>(w - previous);
        appendVarint(out, (static_cast<uint32_t>(d) << 1) ^ static_cast<uint32_t>(d >> 31));
        previous = w;
    }
    return out;
}

}  // namespace

void appendColumn(std::string& out, std::span<const uint32_t> words) {
    std::array<std::string, 3> codings{runs(words), raw(words), deltas(words)};
    size_t best = 0;
    for (size_t i = 1; i < codings.size(); ++i)
        if (codings[i].size() < codings[best].size()) best = i;
    out += static_cast<char>(best);
    out += codings[best];
}

std::string base64(std::string_view bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t n = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) n |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) n |= static_cast<uint8_t>(bytes[i + 2]);
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[n & 63] : '=';
    }
    return out;
}

}  // namespace khost
