#include "kinemo-host/html_replay.h"

#include <array>
#include <bit>
#include <span>
#include <string_view>

#include "kinemo-host/step_observers.h"
#include "kinemo-host/text_forms.h"

extern const uint8_t kinemoReplayJs[];
extern const size_t kinemoReplayJsSize;
extern const uint8_t kinemoReplayCss[];
extern const size_t kinemoReplayCssSize;

namespace khost {
namespace {

// The trace: each column of 32-bit words packed as runs of equal values,
// raw words, or zigzag deltas, whichever is shortest, after one coding
// byte (0 runs, 1 raw, 2 deltas); the bytes are carried as base64.
// replay.js reads it back.

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


// In the trace's column order, then the target; posX and posY read 0 while unbound.
std::array<uint32_t, HtmlReplay::kWords> words(const InstanceState& s) {
    auto f = [](float v) { return std::bit_cast<uint32_t>(v); };
    auto i = [](int32_t v) { return static_cast<uint32_t>(v); };
    return {f(s.x),         f(s.y),          f(s.xSpeed),           f(s.ySpeed),
            f(s.angle),     f(s.speed),      f(s.gravityStrength),  f(s.gravityAngle),
            f(s.maxSpeed),  f(s.minSpeed),   f(s.bounceCoefficient), i(s.mode),
            i(s.paused),    i(s.objectSet),  i(s.boundLeft),        i(s.boundTop),
            i(s.boundRight), i(s.boundBottom), i(s.target),         i(s.bound() ? s.posX : 0),
            i(s.bound() ? s.posY : 0)};
}

// The page's field table: each word's name, how it reads, and its unit.
struct Field {
    const char* name;
    const char* kind;  // "float" or "int"
    const char* unit;
};
constexpr std::array<Field, HtmlReplay::kWords> kFields{{
    {"x", "float", "px"}, {"y", "float", "px"},
    {"xSpeed", "float", "0.01 px/frame"}, {"ySpeed", "float", "0.01 px/frame"},
    {"angle", "float", "rad"}, {"speed", "float", "0.01 px/frame"},
    {"gravityStrength", "float", "0.0001 px/frame\u00b2"}, {"gravityAngle", "float", "rad"},
    {"maxSpeed", "float", "0.01 px/frame"}, {"minSpeed", "float", "0.01 px/frame"},
    {"bounceCoefficient", "float", "%"},
    {"mode", "int", "0 none, 1 wrap, 2 bounce"}, {"paused", "int", ""}, {"objectSet", "int", ""},
    {"boundLeft", "int", "px"}, {"boundTop", "int", "px"}, {"boundRight", "int", "px"}, {"boundBottom", "int", "px"},
    {"target", "int", ""}, {"posX", "int", "px"}, {"posY", "int", "px"},
}};

// Inside a <script> block: no "</" may appear, and the page is UTF-8.
std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || c == '<' || c == '>' || c == '&') {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

template <typename T>
std::string jsonList(const std::vector<T>& items, auto format) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i == 0 ? "" : ",") + format(items[i]);
    return out + "]";
}

std::string sceneJson(const Scene& scene, const SceneEnd& end, const std::vector<HtmlReplay::Recording>& recordings,
                      const std::vector<HtmlReplay::Result>& results,
                      const std::vector<HtmlReplay::Placement>& placements) {
    auto n = [](auto v) { return std::to_string(v); };
    std::string objects = "[";
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        const SceneObject& o = scene.objects[i];
        objects += (i == 0 ? "{" : ",{") + std::string("\"name\":") + jsonString(o.name) + ",\"x\":" + n(o.x) +
                   ",\"y\":" + n(o.y) + ",\"endX\":" + n(end.objects.at(i).x) + ",\"endY\":" + n(end.objects.at(i).y) +
                   ",\"w\":" + n(o.width) + ",\"h\":" + n(o.height) + ",\"hx\":" + n(o.hotSpotX) +
                   ",\"hy\":" + n(o.hotSpotY) + "}";
    }
    objects += "]";
    std::string instances = "[";
    for (size_t i = 0; i < recordings.size(); ++i) {
        const HtmlReplay::Recording& r = recordings[i];
        auto frame = [&](int64_t f) { return n(f); };
        auto start = [&](const HtmlReplay::Start& s) {
            return "[" + n(s.frame) + "," + n(std::bit_cast<uint32_t>(s.x)) + "," + n(std::bit_cast<uint32_t>(s.y)) + "]";
        };
        instances += (i == 0 ? "{" : ",{") + std::string("\"name\":") + jsonString(scene.instances.at(i)) +
                     ",\"first\":" + n(r.first < 0 ? 0 : r.first) + ",\"rows\":" + n(r.columns[0].size()) +
                     ",\"bounces\":" + jsonList(r.bounces, frame) + ",\"wraps\":" + jsonList(r.wraps, frame) +
                     ",\"starts\":" + jsonList(r.starts, start) +
                     ",\"start\":" + jsonList(std::vector<uint32_t>(r.start.begin(), r.start.end()), n) + "}";
    }
    instances += "]";
    auto result = [&](const HtmlReplay::Result& r) { return "[" + n(r.frame) + "," + jsonString(r.line) + "]"; };
    auto place = [&](const HtmlReplay::Placement& p) {
        return "[" + n(p.frame) + "," + n(p.object) + "," + n(p.x) + "," + n(p.y) + "]";
    };
    auto field = [](const Field& f) {
        return "[\"" + std::string(f.name) + "\",\"" + f.kind + "\",\"" + f.unit + "\"]";
    };
    return "{\"name\":" + jsonString(scene.fileName) + ",\"playfield\":[" + n(scene.playfieldWidth) + "," +
           n(scene.playfieldHeight) + "],\"frames\":" + n(end.frames) +
           ",\"fields\":" + jsonList(std::vector<Field>(kFields.begin(), kFields.end()), field) +
           ",\"objects\":" + objects + ",\"instances\":" + instances + ",\"results\":" +
           jsonList(results, result) + ",\"places\":" + jsonList(placements, place) + "}";
}

std::string_view embedded(const uint8_t* bytes, size_t size) {
    return {reinterpret_cast<const char*>(bytes), size};
}

constexpr std::string_view kControls = R"html(<div class="controls">
<button id="back" title="one frame back (left arrow)">&#9664;&#xFE0E; back</button>
<button id="play" title="play or pause (space)">&#9654;&#xFE0E; play</button>
<button id="forward" title="one frame forward (right arrow)">forward &#9654;&#xFE0E;</button>
<label>speed <select id="speed"></select></label>
<span id="frame"></span>
</div>
<input id="scrubber" type="range" min="0" max="0" value="0" step="1" aria-label="frame">
)html";

constexpr std::string_view kKey =
    "<p class=\"note\">Open circle: where the target was bound; line: its hot spot's path; dot: a bounce; "
    "ring: where it came in after a wrap; cross: where it leaves the view; "
    "dashed box: where its hot spot wraps or bounces; "
    "small square: the hot spot, in the target's image; grey: other objects.</p>\n";

}  // namespace

void HtmlReplay::onStep(const InstanceState& before, const InstanceState& after) {
    Recording& r = recordings_.at(after.instance);
    if (r.first < 0) {
        r.first = after.frame;
        r.start = words(before);
    }
    auto row = words(after);
    bool newTrack = r.columns[0].empty() || static_cast<int32_t>(r.columns[kTargetWord].back()) != after.target;
    if (after.bound() && newTrack && before.target == after.target) r.starts.push_back({after.frame, before.x, before.y});
    for (size_t i = 0; i < kWords; ++i) r.columns[i].push_back(row[i]);
    StepEvents e = stepEvents(before, after);
    if (e.bounces > 0) r.bounces.push_back(after.frame);
    if (e.wraps > 0) r.wraps.push_back(after.frame);
}

void HtmlReplay::onResult(int64_t frame, std::string_view line) { results_.push_back({frame, std::string(line)}); }

void HtmlReplay::onPlace(int64_t frame, int object, int16_t x, int16_t y) { placements_.push_back({frame, object, x, y}); }

std::string HtmlReplay::sceneData(const Scene& scene, const SceneEnd& end) const {
    return sceneJson(scene, end, recordings_, results_, placements_);
}

std::string HtmlReplay::traceData() const {
    std::string trace;
    for (const Recording& r : recordings_)
        for (const auto& column : r.columns) appendColumn(trace, column);
    return base64(trace);
}

std::string_view replayMarkup() {
    static const std::string markup = std::string("<div class=\"page\">\n<div class=\"stage\">\n") +
                                      std::string(kControls) +
                                      "<svg id=\"playfield\" xmlns=\"http://www.w3.org/2000/svg\" "
                                      "font-family=\"sans-serif\"></svg>\n" +
                                      std::string(kKey) +
                                      "</div>\n<div class=\"side\">\n<h2>Fields</h2>\n"
                                      "<p id=\"no-rows\" class=\"note\" hidden>No instance exists at this frame.</p>\n"
                                      "<table id=\"fields\"></table>\n<h2>Conditions, expressions and dumps</h2>\n"
                                      "<ol id=\"results\"></ol>\n</div>\n</div>\n";
    return markup;
}

void HtmlReplay::write(std::ostream& out, const Scene& scene, const SceneEnd& end) const {
    std::string_view title = scene.fileName;
    if (size_t slash = title.find_last_of("/\\"); slash != std::string_view::npos) title.remove_prefix(slash + 1);

    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        << "<title>" << escapeMarkup(title) << " \u2014 Kinemo replay</title>\n<style>\n"
        << embedded(kinemoReplayCss, kinemoReplayCssSize) << "</style>\n</head>\n<body>\n"
        << "<pre id=\"errors\" hidden></pre>\n<h1 class=\"title\">" << escapeMarkup(title)
        << "</h1>\n<p class=\"note title\">playfield " << scene.playfieldWidth << " \u00d7 " << scene.playfieldHeight
        << ", " << end.frames << " frames; space plays or pauses, the arrows step</p>\n"
        << replayMarkup()
        << "<script type=\"application/json\" id=\"scene\">" << sceneData(scene, end)
        << "</script>\n<script type=\"application/octet-stream\" id=\"trace\">" << traceData() << "</script>\n"
        << "<script>\n" << embedded(kinemoReplayJs, kinemoReplayJsSize) << "</script>\n</body>\n</html>\n";
}

}  // namespace khost
