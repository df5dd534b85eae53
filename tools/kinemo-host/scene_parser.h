// Scene files (.kscene): one command a line, '#' starts a comment; the
// commands and limits are those of scene_grammar.h.
//
// parseScene is pure: no I/O, no module calls, and it never throws on bad
// text. Every problem becomes one "FILE:LINE: message" entry; a scene with
// any error must not be run. It lives in the kinemo_host library (everything
// in this directory but main.cpp); readEventLanguage in module_events.h
// gives the vocabulary of a module.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "kinemo-host/event_language.h"
#include "kinemo-host/scene.h"

namespace khost {

struct SceneParse {
    Scene scene;
    std::vector<std::string> errors;    // "FILE:LINE: message"; unclosed repeats come last
    std::vector<std::string> warnings;  // "FILE:LINE: warning: message", at most one a line
    bool ok() const { return errors.empty(); }
};

SceneParse parseScene(std::string_view text, std::string_view fileName, const EventLanguage& language);

}  // namespace khost
