// Emscripten 3.1.6 ships a libc++ older than its clang: std::bit_cast and the
// floating-point overloads of std::to_chars and std::from_chars are missing.
// This header, included first in every file of the WebAssembly build, supplies
// them with the results the native build's library gives:
// - to_chars(float): the shortest digits that read back to the same float,
//   written fixed or with an exponent, whichever is shorter (fixed on a tie);
// - to_chars(double, fixed): the fewest decimals that read back to the same
//   double (exact for the magnitudes the tool writes, below 2^53);
// - from_chars(float): strtof, out of range when it overflows or underflows.
#pragma once
#ifdef __cplusplus
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

namespace std {

#if !defined(__cpp_lib_bit_cast)
template <class To, class From>
    requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> && is_trivially_copyable_v<From>)
constexpr To bit_cast(const From& from) noexcept {
    return __builtin_bit_cast(To, from);
}
#endif

namespace kinemo_compat {

inline to_chars_result copied(char* first, char* last, const string& text) {
    if (text.size() > static_cast<size_t>(last - first)) return {last, errc::value_too_large};
    memcpy(first, text.data(), text.size());
    return {first + text.size(), errc()};
}

inline bool readsBack(const string& decimal, float v) { return strtof(decimal.c_str(), nullptr) == v; }

// The shortest decimal digits that read back to v (finite, positive) and the
// decimal exponent of the first. At each length the correctly rounded digits
// are the closest; where they miss, a neighbour on the wider side may not.
inline pair<string, int> shortestDigits(float v) {
    for (int precision = 1; precision <= 9; ++precision) {
        char buf[64];
        snprintf(buf, sizeof buf, "%.*e", precision - 1, static_cast<double>(v));
        const char* e = strchr(buf, 'e');
        string mantissa;
        for (const char* p = buf; p != e; ++p)
            if (*p != '.') mantissa += *p;
        const int exponent = atoi(e + 1);
        const long long d = atoll(mantissa.c_str());
        for (long long c : {d, d - 1, d + 1}) {
            string digits = to_string(c);
            int x = exponent + static_cast<int>(digits.size()) - precision;
            if (c <= 0) continue;
            string decimal = digits + "e" + to_string(x - static_cast<int>(digits.size()) + 1);
            if (!readsBack(decimal, v)) continue;
            while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
            return {digits, x};
        }
    }
    return {"0", 0};
}

}  // namespace kinemo_compat

inline to_chars_result to_chars(char* first, char* last, float value) {
    const uint32_t bits = bit_cast<uint32_t>(value);
    const string sign = (bits >> 31) != 0 ? "-" : "";
    const uint32_t magnitude = bits & 0x7FFFFFFFu;
    if (magnitude >= 0x7F800000u) return kinemo_compat::copied(first, last, magnitude > 0x7F800000u ? "nan" : sign + "inf");
    if (magnitude == 0) return kinemo_compat::copied(first, last, sign + "0");
    auto [digits, exponent] = kinemo_compat::shortestDigits(bit_cast<float>(magnitude));
    const int n = static_cast<int>(digits.size()), e = exponent < 0 ? -exponent : exponent;
    string scientific = digits.substr(0, 1) + (n > 1 ? "." + digits.substr(1) : "") + "e" + (exponent < 0 ? "-" : "+") +
                        (e < 10 ? "0" : "") + to_string(e);
    string fixed;
    if (exponent < 0) {
        fixed = "0." + string(-exponent - 1, '0') + digits;
    } else if (n > exponent + 1) {
        fixed = digits.substr(0, exponent + 1) + "." + digits.substr(exponent + 1);
    } else {
        char buf[64];  // an integer: its exact value
        snprintf(buf, sizeof buf, "%.0f", static_cast<double>(bit_cast<float>(magnitude)));
        fixed = buf;
    }
    return kinemo_compat::copied(first, last, sign + (fixed.size() <= scientific.size() ? fixed : scientific));
}

inline to_chars_result to_chars(char* first, char* last, double value, chars_format format) {
    char buf[400];
    for (int decimals = 0; decimals <= 340; ++decimals) {
        snprintf(buf, sizeof buf, "%.*f", decimals, value);
        if (format != chars_format::fixed || strtod(buf, nullptr) == value) break;
    }
    return kinemo_compat::copied(first, last, buf);
}

inline from_chars_result from_chars(const char* first, const char* last, float& value,
                                    chars_format = chars_format::general) {
    const string text(first, last);
    if (text.empty() || text[0] == '+' || isspace(static_cast<unsigned char>(text[0]))) return {first, errc::invalid_argument};
    char* end = nullptr;
    errno = 0;
    const float parsed = strtof(text.c_str(), &end);
    if (end == text.c_str()) return {first, errc::invalid_argument};
    const char* stop = first + (end - text.c_str());
    if (errno == ERANGE) return {stop, errc::result_out_of_range};
    value = parsed;
    return {stop, errc()};
}

}  // namespace std
#endif
