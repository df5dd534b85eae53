// Text placed in SVG or HTML markup: the four characters that would end
// an element or an attribute value become entities.
#pragma once
#include <string>
#include <string_view>

namespace khost {

inline std::string escapeMarkup(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace khost
