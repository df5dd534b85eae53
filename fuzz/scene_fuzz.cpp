// kinemo-host's scene parser on arbitrary text: it never throws or faults,
// its errors name the file and a line of it, and a scene it accepts only
// refers to objects, instances and commands that exist.
#include <charconv>
#include <string>
#include <string_view>

#include "driver/module.h"
#include "fuzz_support.h"
#include "kinemo-host/module_events.h"
#include "kinemo-host/scene_parser.h"

namespace {

using kfuzz::check;

constexpr std::string_view kFile = "fuzz.kscene";

int lineCount(std::string_view text) {
    int lines = 1;
    for (char c : text) lines += c == '\n';
    return lines;
}

// "fuzz.kscene:LINE: message" with LINE in the text.
bool wellFormedError(const std::string& e, int lines) {
    if (e.compare(0, kFile.size() + 1, std::string(kFile) + ":") != 0) return false;
    const char* begin = e.data() + kFile.size() + 1;
    int line = 0;
    auto [end, ec] = std::from_chars(begin, e.data() + e.size(), line);
    return ec == std::errc() && line >= 1 && line <= lines && end[0] == ':' && end[1] == ' ' && end[2] != '\0';
}

void checkScene(const khost::Scene& s, int lines) {
    for (const khost::SceneCommand& c : s.commands) {
        check(c.line >= 1 && c.line <= lines, "a command on a line the text does not have");
        switch (c.kind) {
            case khost::CommandKind::Object:
            case khost::CommandKind::Place:
                check(c.subject >= 0 && static_cast<size_t>(c.subject) < s.objects.size(), "a command on an unknown object");
                break;
            case khost::CommandKind::Kinemo:
            case khost::CommandKind::Action:
            case khost::CommandKind::Condition:
            case khost::CommandKind::Expression:
            case khost::CommandKind::Dump:
                check(c.subject >= 0 && static_cast<size_t>(c.subject) < s.instances.size(), "a command on an unknown instance");
                break;
            case khost::CommandKind::Step:
                check(c.frames >= 0 && c.frames <= khost::kMaxSceneFrames, "a step beyond the frame bound");
                break;
            case khost::CommandKind::Repeat:
                check(c.bodyEnd <= s.commands.size(), "a repeat whose body runs past the commands");
                break;
        }
        for (const khost::EventParam& p : c.event.params)
            if (p.kind == khost::ParamKind::Object)
                check(p.value < s.objects.size(), "an object parameter naming no object");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The vocabulary the native module reports, read once.
    static const khost::EventLanguage language = [] {
        auto module = kdrv::openNative();
        return khost::readEventLanguage(*module);
    }();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const khost::SceneParse parsed = khost::parseScene(text, kFile, language);
    const int lines = lineCount(text);
    for (const std::string& e : parsed.errors) {
        std::snprintf(kfuzz::failureContext, sizeof kfuzz::failureContext, "error: %.200s", e.c_str());
        check(wellFormedError(e, lines), "an error that is not FILE:LINE: message");
    }
    if (parsed.ok()) checkScene(parsed.scene, lines);
    return 0;
}
