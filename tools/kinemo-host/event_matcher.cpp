#include "kinemo-host/event_matcher.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>

#include "driver/host_harness.h"
#include "kinemo-host/event_nearest.h"
#include "kinemo-host/event_tokens.h"
#include "kinemo-host/scene_tokens.h"
#include "kinemo-host/text_forms.h"

namespace khost {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The pattern an event is written with: the display string, and for an
// expression its arguments and the closing parenthesis.
std::string patternText(const EventSignature& event, RoutineKind family) {
    std::string text = event.display;
    if (family != RoutineKind::Expression) return text;
    for (size_t i = 0; i < event.params.size(); ++i) text += (i == 0 ? "%" : ", %") + std::to_string(i);
    return text + ")";
}

struct Capture {
    int param;
    std::optional<std::string_view> value;  // empty: nothing written there
};

// Literals compare case-insensitively, the degree sign may be left out, and a
// placeholder takes one word; where no word stands the value is missing.
// With `rest`, the pattern may end before the input: *rest is then the
// number of input tokens left over.
bool matchTokens(std::span<const TextToken> pattern, std::span<const TextToken> input, std::vector<Capture>& caps,
                 size_t* rest) {
    if (pattern.empty()) {
        if (rest != nullptr) *rest = input.size();
        return rest != nullptr || input.empty();
    }
    const TextToken& p = pattern.front();
    switch (p.kind) {
        case TokenKind::Degree: {
            if (!input.empty() && input.front().kind == TokenKind::Degree &&
                matchTokens(pattern.subspan(1), input.subspan(1), caps, rest))
                return true;
            return matchTokens(pattern.subspan(1), input, caps, rest);
        }
        case TokenKind::Placeholder: {
            size_t mark = caps.size();
            if (!input.empty() && input.front().kind == TokenKind::Word) {
                caps.push_back({p.param, input.front().text});
                if (matchTokens(pattern.subspan(1), input.subspan(1), caps, rest)) return true;
                caps.resize(mark);
            }
            caps.push_back({p.param, std::nullopt});
            if (matchTokens(pattern.subspan(1), input, caps, rest)) return true;
            caps.resize(mark);
            return false;
        }
        case TokenKind::Word:
        case TokenKind::Punct:
            if (input.empty() || input.front().kind != p.kind || !sameLetters(input.front().text, p.text)) return false;
            return matchTokens(pattern.subspan(1), input.subspan(1), caps, rest);
    }
    return false;
}

// How far a candidate is from being usable: 0 usable; a wrong value shape
// weighs more than a well-formed value that is out of range or unknown.
struct Verdict {
    int penalty = 0;
    std::string error;
    std::vector<EventParam> params;
    std::vector<std::string> written;  // each parameter's value as written
    std::string warning;
};

constexpr int kPenaltyRange = 1;
constexpr int kPenaltyShape = 2;
constexpr int kPenaltyUnsupported = 3;

void fail(Verdict& v, int penalty, std::string message) {
    if (v.error.empty()) v.error = std::move(message);
    v.penalty += penalty;
}

std::string slotName(const Capture& cap, const std::string& pattern) {
    return "%" + std::to_string(cap.param) + " of \"" + pattern + "\"";
}

void readInteger(Verdict& v, EventParam& param, std::string_view text, const std::string& slot) {
    int64_t value = 0;
    switch (parseInteger(text, INT32_MIN, INT32_MAX, value)) {
        case NumberError::None:
            param.value = static_cast<uint32_t>(static_cast<int32_t>(value));
            return;
        case NumberError::OutOfRange:
            return fail(v, kPenaltyRange,
                        "number out of range for " + slot + ": " + quoted(text) + " (a signed 32-bit integer is expected)");
        case NumberError::Malformed: {
            float ignored;
            if (looksLikeFloat(text) && parseFloat32(text, ignored) != NumberError::Malformed)
                return fail(v, kPenaltyShape, "expected a whole number for " + slot + ", got " + quoted(text));
            return fail(v, kPenaltyShape, "expected a number for " + slot + ", got " + quoted(text));
        }
    }
}

void readNumber(Verdict& v, EventParam& param, std::string_view text, const std::string& slot) {
    if (!looksLikeFloat(text)) return readInteger(v, param, text, slot);
    float value = 0;
    switch (parseFloat32(text, value)) {
        case NumberError::None:
            param.value = std::bit_cast<uint32_t>(value);
            if (v.warning.empty() && readAsInteger(param.value))
                v.warning = quoted(text) + " for " + slot + " is read by the module as the integer " +
                            std::to_string(static_cast<int32_t>(param.value)) +
                            " (its float bits): it reads floats below 1 in magnitude, nan, inf and multiples "
                            "of 2^32 as integers";
            return;
        case NumberError::OutOfRange:
            return fail(v, kPenaltyRange, "number out of range for " + slot + ": " + quoted(text) + " (a 32-bit float is expected)");
        case NumberError::Malformed:
            return fail(v, kPenaltyShape, "expected a number for " + slot + ", got " + quoted(text));
    }
}

void readObject(Verdict& v, EventParam& param, std::string_view text, const std::string& slot,
                std::span<const SceneObject> objects) {
    if (!isName(text)) return fail(v, kPenaltyShape, "expected an object name for " + slot + ", got " + quoted(text));
    for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i].name == text) {
            param.value = static_cast<uint32_t>(i);
            return;
        }
    }
    std::vector<std::string> names;
    for (const auto& o : objects) names.push_back(o.name);
    std::string message = "unknown object " + quoted(text);
    if (auto near = closestCandidate(text, names)) message += "; did you mean " + quoted(names[*near]) + "?";
    fail(v, kPenaltyRange, message);
}

Verdict judge(const EventSignature& event, const std::string& pattern, std::span<const Capture> caps,
              std::span<const SceneObject> objects) {
    Verdict v;
    v.params.resize(event.params.size());
    v.written.resize(event.params.size());
    for (size_t i = 0; i < event.params.size(); ++i) v.params[i].kind = event.params[i];
    for (size_t i = 0; i < event.params.size(); ++i) {
        if (event.params[i] == ParamKind::Unknown)
            fail(v, kPenaltyUnsupported,
                 "\"" + pattern + "\" takes a parameter of type " + std::to_string(event.paramTypes.at(i)) +
                     ", which kinemo-host cannot supply");
    }
    for (const Capture& cap : caps) {
        std::string slot = slotName(cap, pattern);
        if (cap.param < 0 || static_cast<size_t>(cap.param) >= event.params.size()) {
            fail(v, kPenaltyUnsupported, "\"" + pattern + "\" names a parameter the module does not declare");
            continue;
        }
        if (!cap.value) {
            fail(v, kPenaltyShape, "missing value for " + slot);
            continue;
        }
        EventParam& param = v.params[cap.param];
        v.written[cap.param] = std::string(*cap.value);
        switch (param.kind) {
            case ParamKind::Integer: readInteger(v, param, *cap.value, slot); break;
            case ParamKind::Number: readNumber(v, param, *cap.value, slot); break;
            case ParamKind::Object: readObject(v, param, *cap.value, slot, objects); break;
            case ParamKind::Unknown: break;
        }
    }
    return v;
}

// The display string with each placeholder replaced by its value as written,
// in UTF-8: the module's text is single-byte, the written values are UTF-8.
std::string renderCall(const EventSignature& event, RoutineKind family, std::span<const std::string> written) {
    std::string text = patternText(event, family);
    std::string out, literal;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && isDigit(text[i + 1])) {
            size_t j = i + 1;
            size_t index = 0;
            while (j < text.size() && isDigit(text[j]) && index < 100) index = index * 10 + (text[j++] - '0');
            if (index < written.size()) {
                out += singleByteToUtf8(literal) + written[index];
                literal.clear();
                i = j - 1;
                continue;
            }
        }
        literal += text[i];
    }
    return out + singleByteToUtf8(literal);
}

}  // namespace

std::string writtenForm(const EventSignature& event, RoutineKind family) {
    return singleByteToUtf8(patternText(event, family));
}

EventMatch matchEvent(std::string_view text, RoutineKind family, std::span<const EventSignature> events,
                      std::span<const SceneObject> objects) {
    EventMatch result;
    const std::vector<TextToken> input = tokenize(text, TextSource::Scene);
    if (input.empty()) {
        result.error = "missing " + std::string(hostrec::family(family).noun) + " text";
        return result;
    }

    // The best whole match; else the longest usable match of a beginning of
    // the text, with words left over; and the nearest event as a suggestion.
    struct Candidate {
        const EventSignature* event = nullptr;
        Verdict verdict;
        size_t rest = 0;      // input tokens left over
        size_t distance = 0;  // from the whole text
    };
    std::optional<Candidate> best, partial, nearest;
    for (const EventSignature& event : events) {
        const std::string pattern = patternText(event, family);
        const std::vector<TextToken> tokens = tokenize(pattern, TextSource::Module);
        const size_t distance = textDistance(tokens, event.params, input);
        std::vector<Capture> caps;
        size_t rest = 0;
        if (!matchTokens(tokens, input, caps, nullptr) && !matchTokens(tokens, input, caps, &rest)) {
            if (nearEnough(distance, tokens) && (!nearest || distance < nearest->distance))
                nearest = Candidate{&event, {}, 0, distance};
            continue;
        }
        Verdict v = judge(event, writtenForm(event, family), caps, objects);
        if (rest == 0 && (!best || v.penalty < best->verdict.penalty)) best = Candidate{&event, std::move(v), 0, distance};
        else if (rest > 0 && v.penalty == 0 && (!partial || rest < partial->rest))
            partial = Candidate{&event, std::move(v), rest, distance};
        if (rest > 0 && nearEnough(distance, tokens) && (!nearest || distance < nearest->distance))
            nearest = Candidate{&event, {}, 0, distance};
    }

    if (best && best->verdict.penalty == 0) {
        result.ok = true;
        result.call.code = best->event->code;
        result.call.params = std::move(best->verdict.params);
        result.call.text = renderCall(*best->event, family, best->verdict.written);
        result.warning = std::move(best->verdict.warning);
        return result;
    }
    if (best) {
        result.error = std::move(best->verdict.error);
        return result;
    }
    if (partial && (!nearest || nearest->distance >= partial->distance)) {
        const size_t restAt = static_cast<size_t>(input[input.size() - partial->rest].text.data() - text.data());
        result.error = "unexpected " + quoted(trimSpace(text.substr(restAt))) + " after \"" +
                       renderCall(*partial->event, family, partial->verdict.written) + "\"";
        return result;
    }
    result.error = "unknown " + std::string(hostrec::family(family).noun) + " " + quoted(text);
    if (nearest) result.error += "; did you mean " + quoted(writtenForm(*nearest->event, family)) + "?";
    return result;
}

}  // namespace khost
