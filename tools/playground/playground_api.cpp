// The entry points the playground page calls in the WebAssembly module: play
// a scene text with everything `kinemo-host run` writes, and the module's own
// event descriptions for completion. Texts cross as UTF-8 C strings.
#include <array>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "driver/module.h"
#include "kinemo-host/edit_services.h"
#include "kinemo-host/exit_status.h"
#include "kinemo-host/html_replay.h"
#include "kinemo-host/module_events.h"
#include "kinemo-host/play_scene.h"
#include "kinemo-host/step_observers.h"
#include "kinemo-host/svg_picture.h"
#include "kinemo-host/text_forms.h"

namespace {

using namespace khost;

// What the last kinemoPlay wrote, by kinemoOutput's index.
enum Output { Results, Errors, Trace, Svg, Page, SceneData, TraceData, Markup, OutputCount };
std::array<std::string, OutputCount> gOutputs;
std::string gDescriptors;

kdrv::Module& module() {
    static std::unique_ptr<kdrv::Module> m = kdrv::openNative();
    return *m;
}

std::string jsonText(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') out += std::string("\\") + c;
        else if (u < 0x20) out += "\\u00" + std::string(1, "0123456789abcdef"[u >> 4]) + "0123456789abcdef"[u & 15];
        else out += c;
    }
    return out + "\"";
}

// Outputs beyond the results and the replay's data, made only when asked for:
// formatting every float of a long trace costs seconds in WebAssembly.
constexpr int kWantTrace = 1, kWantSvg = 2, kWantPage = 4;

int play(std::string_view text, std::string_view fileName, int wanted) {
    for (std::string& o : gOutputs) o.clear();
    std::ostringstream out, err, trace, svg, page;
    kdrv::Module& m = module();
    std::optional<Scene> scene = parseForModule(m, text, fileName, err);
    gOutputs[Markup] = std::string(replayMarkup());
    if (!scene) {
        gOutputs[Errors] = err.str();
        return kExitBadScene;
    }
    RunSummary summary(scene->instances);
    std::optional<TraceCsv> csv;
    SvgPicture picture;
    HtmlReplay replay(scene->instances.size());
    std::vector<StepObserver*> observers{&summary, &replay};
    if (wanted & kWantTrace) observers.push_back(&csv.emplace(trace, scene->instances));
    if (wanted & kWantSvg) observers.push_back(&picture);
    SceneEnd end = runScene(m, *scene, out, observers);
    summary.print(out, end);
    if (wanted & kWantSvg) picture.write(svg, *scene, end);
    if (wanted & kWantPage) replay.write(page, *scene, end);
    gOutputs[Results] = out.str();
    gOutputs[Errors] = err.str();
    gOutputs[Trace] = trace.str();
    gOutputs[Svg] = svg.str();
    gOutputs[Page] = page.str();
    gOutputs[SceneData] = replay.sceneData(*scene, end);
    gOutputs[TraceData] = replay.traceData();
    return kExitOk;
}

// Each family's events as the module reports them: code, display string,
// and per parameter its kind, unit and title (the menu label).
std::string descriptors() {
    kdrv::Module& m = module();
    const EditSession session = newEditSession(m);
    const EventCounts counts = readEventCounts(m);
    std::string json = "{";
    const std::pair<RoutineKind, const char*> families[] = {
        {RoutineKind::Condition, "condition"}, {RoutineKind::Action, "action"}, {RoutineKind::Expression, "expression"}};
    for (auto [family, name] : families) {
        const hostrec::FamilyInfo& entries = hostrec::family(family);
        json += std::string(family == RoutineKind::Condition ? "" : ",") + "\"" + name + "\":[";
        for (int code = 0; code < countOf(counts, family); ++code) {
            const EventInfos infos = readEventInfos(m, session, entries, code);
            const std::string display = moduleString(m, session, entries, code);
            json += std::string(code == 0 ? "" : ",") + "{\"code\":" + std::to_string(code) +
                    ",\"display\":" + jsonText(singleByteToUtf8(display)) + ",\"params\":[";
            for (size_t i = 0; i < infos.paramTypes.size(); ++i) {
                const ParamKind kind = paramKind(family, infos.paramTypes[i]);
                const char* kindName = kind == ParamKind::Object ? "object" : kind == ParamKind::Integer ? "integer"
                                       : kind == ParamKind::Number ? "number" : "unknown";
                const std::string title = moduleTitle(m, session, entries, code, static_cast<uint32_t>(i));
                json += std::string(i == 0 ? "" : ",") + "{\"kind\":\"" + kindName + "\",\"unit\":" +
                        jsonText(singleByteToUtf8(paramUnit(display, static_cast<int>(i), kind))) +
                        ",\"title\":" + jsonText(singleByteToUtf8(title)) + "}";
            }
            json += "]}";
        }
        json += "]";
    }
    return json + "}";
}

}  // namespace

extern "C" {

// Plays a scene; the exit status `kinemo-host run` would give (0, 1 or 2).
// wanted: 1 the trace CSV, 2 the SVG, 4 the replay page, or'ed.
int kinemoPlay(const char* text, const char* fileName, int wanted) {
    try {
        return play(text, fileName, wanted);
    } catch (const std::exception& e) {
        gOutputs[Errors] += std::string(fileName) + ": " + e.what() + "\n";
        return kExitFailure;
    }
}

// 0 results, 1 errors, 2 trace CSV, 3 SVG, 4 replay page, 5 the page's scene
// data, 6 its packed trace, 7 the replay view's markup.
const char* kinemoOutput(int which) {
    return which >= 0 && which < OutputCount ? gOutputs[which].c_str() : "";
}

const char* kinemoDescriptors() {
    try {
        if (gDescriptors.empty()) gDescriptors = descriptors();
    } catch (const std::exception& e) {
        gDescriptors = "{\"error\":" + jsonText(e.what()) + "}";
    }
    return gDescriptors.c_str();
}

}  // extern "C"

int main() { return 0; }
