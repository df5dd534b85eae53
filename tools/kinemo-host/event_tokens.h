// Event texts as tokens: words, punctuation, the degree sign and, in the
// module's display strings, "%N" placeholders. Scene texts are UTF-8; the
// module's strings are single-byte, with the degree sign as one byte.
#pragma once
#include <string_view>
#include <vector>

namespace khost {

enum class TokenKind : unsigned char { Word, Punct, Degree, Placeholder };

struct TextToken {
    TokenKind kind;
    std::string_view text;  // a view into the tokenized text
    int param = -1;         // Placeholder: the %N index
};

enum class TextSource : unsigned char {
    Scene,   // UTF-8 (a lone degree byte after ASCII is read as the degree sign too)
    Module,  // the module's single-byte display string, with placeholders
};

// A word runs over letters, digits, '_', '.', '+', '-' and any non-ASCII
// byte, so that a value is one word whatever it holds.
std::vector<TextToken> tokenize(std::string_view text, TextSource source);

bool sameLetters(std::string_view a, std::string_view b);  // ASCII case-insensitive

// A value rather than a name: a digit, sign or point first, or nan or inf.
bool looksNumeric(std::string_view word);

}  // namespace khost
