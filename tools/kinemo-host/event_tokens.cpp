#include "kinemo-host/event_tokens.h"

#include "kinemo-host/text_forms.h"

namespace khost {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c) || c == '_' || c == '.' || c == '+' ||
           c == '-' || static_cast<unsigned char>(c) >= 0x80;
}

// The length of a degree sign at text[i], 0 if none.
size_t degreeAt(std::string_view text, size_t i, TextSource source) {
    if (source == TextSource::Module) return text[i] == kDegreeByte ? 1 : 0;
    if (text.substr(i, 2) == kDegreeUtf8) return 2;
    // A scene saved in a single-byte code page: the byte alone, not inside a UTF-8 character.
    const bool afterAscii = i == 0 || static_cast<unsigned char>(text[i - 1]) < 0x80;
    return text[i] == kDegreeByte && afterAscii ? 1 : 0;
}

}  // namespace

std::vector<TextToken> tokenize(std::string_view text, TextSource source) {
    std::vector<TextToken> tokens;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (isSpace(c)) {
            ++i;
        } else if (source == TextSource::Module && c == '%' && i + 1 < text.size() && isDigit(text[i + 1])) {
            size_t start = ++i;
            int index = 0;
            while (i < text.size() && isDigit(text[i]) && index < 100) index = index * 10 + (text[i++] - '0');
            tokens.push_back({TokenKind::Placeholder, text.substr(start - 1, i - start + 1), index});
        } else if (size_t degree = degreeAt(text, i, source)) {
            tokens.push_back({TokenKind::Degree, text.substr(i, degree)});
            i += degree;
        } else if (isWordChar(c)) {
            size_t start = i;
            while (i < text.size() && isWordChar(text[i]) && degreeAt(text, i, source) == 0) ++i;
            tokens.push_back({TokenKind::Word, text.substr(start, i - start)});
        } else {
            tokens.push_back({TokenKind::Punct, text.substr(i, 1)});
            ++i;
        }
    }
    return tokens;
}

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

bool looksNumeric(std::string_view word) {
    if (word.empty()) return false;
    const char c = word[0];
    return isDigit(c) || c == '+' || c == '-' || c == '.' || sameLetters(word, "nan") || sameLetters(word, "inf") ||
           sameLetters(word, "infinity");
}

}  // namespace khost
