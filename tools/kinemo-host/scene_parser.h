// Scene files (.kscene): one command a line, '#' starts a comment.
//
//   playfield W H | object NAME X Y W H HX HY | kinemo NAME | step N
//   place NAME X Y | dump K | action K TEXT | condition K TEXT | expression K TEXT
//   repeat N ... end   (the lines between run N times; events that fire every frame)
//
// parseScene is pure: no I/O, no module calls, and it never throws on bad
// text. Every problem becomes one "FILE:LINE: message" entry; a scene with
// any error must not be run. It lives in the kinemo_host library (everything
// in this directory but main.cpp and the validator); readEventLanguage in
// module_events.h gives the vocabulary of a module.
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
