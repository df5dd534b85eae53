#include "kinemo-host/param_units.h"

#include <array>
#include <string>

#include "kinemo-host/display_text.h"

namespace khost {
namespace {
struct UnitRule {
    std::string_view phrase;  // found anywhere in the display string
    std::string_view unit;
};

// First matching phrase wins; the order settles strings holding two phrases.
constexpr std::array<UnitRule, 6> kRules{{
    {"Angle", "degrees"},
    {"Gravity Strength", "1/10000 px per frame\xC2\xB2"},
    {"Coefficient", "percent"},
    // An impulse is added as a hundredth of its value, like one frame of gravity.
    {"Directional Speed", "1/10000 px per frame"},
    {"Speed", "1/100 px per frame"},
    {"Move ", "1/100 px"},
}};
}  // namespace

std::string_view paramUnit(std::string_view display, int param, ParamKind kind) {
    if (kind == ParamKind::Object) return "\xE2\x80\x94";
    if (kind == ParamKind::Unknown) return "?";
    if (kind == ParamKind::Number) return "px";
    std::string placeholder = "%" + std::to_string(param);
    size_t at = display.find(placeholder);
    if (at != std::string_view::npos && display.substr(at + placeholder.size(), 1) == std::string_view(&kDegreeByte, 1))
        return "degrees";
    for (const UnitRule& rule : kRules)
        if (display.find(rule.phrase) != std::string_view::npos) return rule.unit;
    return "px";
}

}  // namespace khost
