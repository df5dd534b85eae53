// Scene files: what a bad line is told, and what a good line resolves to,
// against the vocabulary the native module reports.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <string>
#include <tuple>
#include <vector>

#include "driver/module.h"
#include "kinemo-host/module_events.h"
#include "kinemo-host/scene_grammar.h"
#include "kinemo-host/scene_parser.h"
#include "support/text_file.h"

using namespace khost;

namespace {

const EventLanguage& language() {
    static const EventLanguage events = readEventLanguage(*kdrv::openNative());
    return events;
}

// Every case starts from this; its lines follow from line 4 on.
constexpr std::string_view kPrelude = "object ball 100 100 32 32 16 16\nobject goal 500 60 20 20 10 10\nkinemo k\n";

SceneParse parse(std::string_view lines) {
    return parseScene(std::string(kPrelude) + std::string(lines), "s.kscene", language());
}

struct BadScene {
    const char* lines;
    const char* errors;  // every error reported, one a line
};

const BadScene kBadScenes[] = {
    {"stpe 10", "s.kscene:4: unknown command \"stpe\"; did you mean \"step\"?"},
    {"teleport k", "s.kscene:4: unknown command \"teleport\""},
    {"action k Set Sped 100", "s.kscene:4: unknown action \"Set Sped 100\"; did you mean \"Set Speed %0\"?"},
    // the suggestion does not depend on how long the values are
    {"action k Set Obect b", "s.kscene:4: unknown action \"Set Obect b\"; did you mean \"Set Object %0\"?"},
    {"action k Set Obect ball", "s.kscene:4: unknown action \"Set Obect ball\"; did you mean \"Set Object %0\"?"},
    {"action k Set Obect a_very_long_object_name_indeed",
     "s.kscene:4: unknown action \"Set Obect a_very_long_object_name_indeed\"; did you mean \"Set Object %0\"?"},
    {"expression k GetY", "s.kscene:4: unknown expression \"GetY\"; did you mean \"GetY()\"?"},
    {"expression k GetAngle", "s.kscene:4: unknown expression \"GetAngle\"; did you mean \"GetAngle()\"?"},
    // extra text after a complete event
    {"condition k Is Paused extra", "s.kscene:4: unexpected \"extra\" after \"Is Paused\""},
    {"action k Set Angle 45 degrees", "s.kscene:4: unexpected \"degrees\" after \"Set Angle 45\xC2\xB0\""},
    {"action k Set Speed 100 200 300", "s.kscene:4: unexpected \"200 300\" after \"Set Speed 100\""},
    {"expression k GetX() + 1", "s.kscene:4: unexpected \"+ 1\" after \"GetX()\""},
    // valid UTF-8 is echoed as text, and a value is one word whatever its letters
    {"action k Rotate 5\xC2\xBA towards 10\xC2\xB0",
     "s.kscene:4: expected a number for %0 of \"Rotate %0\xC2\xB0 towards %1\xC2\xB0\", got \"5\xC2\xBA\""},
    {"action k Set Objet b\xC3\xA4ll\xE2\x82\xAC\xC2\x85",
     "s.kscene:4: unknown action \"Set Objet b\xC3\xA4ll\xE2\x82\xAC\\xc2\\x85\"; did you mean \"Set Object %0\"?"},
    // a degree sign, or a number where an object goes, points to the angle form
    {"action k Rotat 5 towards 10\xC2\xB0",
     "s.kscene:4: unknown action \"Rotat 5 towards 10\xC2\xB0\"; did you mean \"Rotate %0\xC2\xB0 towards %1\xC2\xB0\"?"},
    {"action k Rotat 5 towards 10",
     "s.kscene:4: unknown action \"Rotat 5 towards 10\"; did you mean \"Rotate %0\xC2\xB0 towards %1\xC2\xB0\"?"},
    {"action k Rotat 5 towards goal",
     "s.kscene:4: unknown action \"Rotat 5 towards goal\"; did you mean \"Rotate %0\xC2\xB0 towards %1\"?"},
    {"condition k Is Pasued", "s.kscene:4: unknown condition \"Is Pasued\"; did you mean \"Is Paused\"?"},
    {"expression k GetZ()", "s.kscene:4: unknown expression \"GetZ()\"; did you mean \"GetX()\"?"},
    {"expression k GetDist(1, 2", "s.kscene:4: unknown expression \"GetDist(1, 2\"; did you mean \"GetDist(%0, %1)\"?"},
    {"action k", "s.kscene:4: missing value: expected \"action K TEXT\""},
    {"action k Set Speed", "s.kscene:4: missing value for %0 of \"Set Speed %0\""},
    {"action k Set Position (100, )", "s.kscene:4: missing value for %1 of \"Set Position (%0, %1)\""},
    {"action k Set Speed fast", "s.kscene:4: expected a number for %0 of \"Set Speed %0\", got \"fast\""},
    {"action k Set Speed 2.5", "s.kscene:4: expected a whole number for %0 of \"Set Speed %0\", got \"2.5\""},
    {"action k Set Speed 2147483648",
     "s.kscene:4: number out of range for %0 of \"Set Speed %0\": \"2147483648\" (a signed 32-bit integer is expected)"},
    {"action k Set Speed -2147483649",
     "s.kscene:4: number out of range for %0 of \"Set Speed %0\": \"-2147483649\" (a signed 32-bit integer is expected)"},
    {"action k Set Object gaol", "s.kscene:4: unknown object \"gaol\"; did you mean \"goal\"?"},
    {"action k Set Object k", "s.kscene:4: unknown object \"k\""},
    {"action k Set Object 12", "s.kscene:4: expected an object name for %0 of \"Set Object %0\", got \"12\""},
    {"expression k GetDist(1e39, 0)",
     "s.kscene:4: number out of range for %0 of \"GetDist(%0, %1)\": \"1e39\" (a 32-bit float is expected)"},
    {"expression k GetDist(1.2.3, 0)", "s.kscene:4: expected a number for %0 of \"GetDist(%0, %1)\", got \"1.2.3\""},
    // a long line is echoed cut, with its length
    {"teleport_k_to_the_place_where_nobody_has_ever_been_before_and_where_nothing_will_ever_be_found_again",
     "s.kscene:4: unknown command \"teleport_k_to_the_place_where_nobody_has_ever_been_before_and_where_nothing_will...\" "
     "(100 bytes)"},
    {"action kk Pause Kinemo", "s.kscene:4: unknown instance \"kk\"; did you mean \"k\"?"},
    {"action ball Pause Kinemo", "s.kscene:4: \"ball\" is an object, not a kinemo instance"},
    {"place k 1 2", "s.kscene:4: \"k\" is a kinemo instance, not an object"},
    {"place ball 1", "s.kscene:4: missing value: expected \"place NAME X Y\""},
    {"place ball 1 40000", "s.kscene:4: number out of range for Y in \"place NAME X Y\": \"40000\" (-32768 to 32767)"},
    {"object box 0 0 10 ten 0 0", "s.kscene:4: expected an integer for H in \"object NAME X Y W H HX HY\", got \"ten\""},
    {"object 2box 0 0 10 10 0 0",
     "s.kscene:4: malformed name \"2box\" (a letter or '_', then letters, digits or '_', at most 64)"},
    {"kinemo ball", "s.kscene:4: name \"ball\" is already used on line 1"},
    {"kinemo k2 extra", "s.kscene:4: unexpected \"extra\" after \"kinemo NAME\""},
    {"playfield 800 600", "s.kscene:4: playfield must come before the first object or kinemo"},
    {"step -1", "s.kscene:4: number out of range for N in \"step N\": \"-1\" (0 to 1000000)"},
    // the first line past a limit is named, once
    {"step 600000\nstep 400001\nstep 1", "s.kscene:5: the scene runs more than 1000000 frames by this line (repeats counted out)"},
    {"repeat 1000\nstep 1001\nend", "s.kscene:6: the scene runs more than 1000000 frames by this line (repeats counted out)"},
    {"repeat 2\nrepeat 2\nstep 600000\nend\nend\nstep 1",
     "s.kscene:7: the scene runs more than 1000000 frames by this line (repeats counted out)"},
    {"repeat 10000\nrepeat 1000\ndump k\nend\nend\nrepeat 1000000\nrepeat 1000000\nend\nend",
     "s.kscene:8: the scene runs more than 10000000 commands by this line (repeats counted out)"},
    {"repeat 1\nrepeat 1\nrepeat 1\nrepeat 1\nrepeat 1\nrepeat 1\nrepeat 1\nrepeat 1\nrepeat 1\n"
     "end\nend\nend\nend\nend\nend\nend\nend\nend", "s.kscene:12: repeat nested more than 8 deep"},
    {"repeat 2\nstep 1", "s.kscene:4: repeat without end"},
    {"end", "s.kscene:4: end without repeat"},
    // a repeat line with a mistake still pairs with its end
    {"repeat 3 step 1\nend", "s.kscene:4: unexpected \"step\" after \"repeat N\""},
    {"repeat\nend", "s.kscene:4: missing value: expected \"repeat N\""},
    {"repaet 3\nstep 1\nend", "s.kscene:4: unknown command \"repaet\"; did you mean \"repeat\"?"},
    {"repeat 2\nkinemo k3\nend", "s.kscene:5: kinemo cannot be used inside repeat (from line 4)"},
    // the bad object still declares its name: the later line is not "unknown object"
    {"object box 0 0 -1 10 0 0\nbogus\naction k Set Object box\nstep x",
     "s.kscene:4: number out of range for W in \"object NAME X Y W H HX HY\": \"-1\" (0 to 32767)\n"
     "s.kscene:5: unknown command \"bogus\"\ns.kscene:7: expected an integer for N in \"step N\", got \"x\""},
    {"action k Set Speed \xFF\x01", "s.kscene:4: unknown action \"Set Speed \\xff\\x01\"; did you mean \"Set Speed %0\"?"},
};

TEST(SceneParser, BadLinesGetFileLineAndMessage) {
    for (const BadScene& c : kBadScenes) {
        std::string errors;
        for (const std::string& e : parse(c.lines).errors) errors += (errors.empty() ? "" : "\n") + e;
        EXPECT_EQ(errors, c.errors) << c.lines;
    }
}

struct GoodLine {
    const char* line;
    CommandKind kind;
    int code;
    std::vector<uint32_t> params;  // object parameters as object indexes
    std::string text;              // how results print it
};

uint32_t bits(float f) { return std::bit_cast<uint32_t>(f); }

using enum CommandKind;

const std::vector<GoodLine> kGoodLines = {
    {"action k Set Position (100, 40)", Action, 7, {100, 40}, "Set Position (100, 40)"},
    {"action k set position(100,40)", Action, 7, {100, 40}, "Set Position (100, 40)"},
    {"action k Set Speed -5", Action, 1, {0xFFFFFFFB}, "Set Speed -5"},
    {"action k Set Speed +7", Action, 1, {7}, "Set Speed +7"},
    {"action k Rotate 10\xC2\xB0 towards goal", Action, 27, {10, 1}, "Rotate 10\xC2\xB0 towards goal"},
    {"action k Rotate 10 towards goal", Action, 27, {10, 1}, "Rotate 10\xC2\xB0 towards goal"},
    {"action k Rotate 10 towards 45", Action, 28, {10, 45}, "Rotate 10\xC2\xB0 towards 45\xC2\xB0"},
    {"action k Directional Speed 100, (goal)", Action, 24, {100, 1}, "Directional Speed 100, (goal)"},
    {"action k Directional Speed 100, (30)", Action, 25, {100, 30}, "Directional Speed 100, (30\xC2\xB0)"},
    {"action k Set Object ball", Action, 2, {0}, "Set Object ball"},
    {"condition k Is Paused", Condition, 0, {}, "Is Paused"},
    {"expression k GetX()", Expression, 2, {}, "GetX()"},
    {"expression k GetDist(200, 100.5)", Expression, 11, {200, bits(100.5f)}, "GetDist(200, 100.5)"},
    {"expression k GetAngPoints(-1, 1e3, -0.0, 0.1)", Expression, 14,
     {0xFFFFFFFF, bits(1000.0f), 0x80000000, bits(0.1f)}, "GetAngPoints(-1, 1e3, -0.0, 0.1)"},
    {"expression k GetDist(2147483647, -2147483648)", Expression, 11, {0x7FFFFFFF, 0x80000000},
     "GetDist(2147483647, -2147483648)"},
    // what the output prints reads back: the floats nan, inf and -0
    {"expression k GetDistPoints(nan, -inf, -0, INF)", Expression, 13, {0x7FC00000, 0xFF800000, 0x80000000, 0x7F800000},
     "GetDistPoints(nan, -inf, -0, INF)"},
};

TEST(SceneParser, EventTextsResolveToCodesAndRawParameters) {
    for (const GoodLine& c : kGoodLines) {
        SceneParse p = parse(c.line);
        ASSERT_TRUE(p.ok()) << c.line << ": " << p.errors[0];
        const SceneCommand& cmd = p.scene.commands.back();
        std::vector<uint32_t> params;
        for (const EventParam& e : cmd.event.params) params.push_back(e.value);
        EXPECT_EQ(std::tie(cmd.kind, cmd.subject, cmd.event.code, params, cmd.event.text),
                  std::make_tuple(c.kind, 0, c.code, c.params, c.text)) << c.line;
    }
}

TEST(SceneParser, ValuesRepeatBodiesAndLinesSurviveCommentsAndBlankLines) {
    SceneParse p = parseScene("playfield 320 200\nobject o -5 32767 0 7 -32768 3\nkinemo k\n# comment only\n\n"
                              "repeat 3   # trailing comment\n  repeat 2\n    step 1\n  end\n  dump k\r\nend\nstep 4\n",
                              "f", language());
    ASSERT_TRUE(p.ok()) << p.errors[0];
    const Scene& s = p.scene;
    const SceneObject& o = s.objects.at(0);
    EXPECT_EQ((std::array<int, 8>{s.playfieldWidth, s.playfieldHeight, o.x, o.y, o.width, o.height, o.hotSpotX, o.hotSpotY}),
              (std::array<int, 8>{320, 200, -5, 32767, 0, 7, -32768, 3}));
    std::vector<std::tuple<CommandKind, int64_t, size_t, int>> got;  // after the object and the kinemo
    for (size_t i = 2; i < s.commands.size(); ++i)
        got.emplace_back(s.commands[i].kind, s.commands[i].frames, s.commands[i].bodyEnd, s.commands[i].line);
    EXPECT_EQ(got, (decltype(got){{Repeat, 3, 6, 6}, {Repeat, 2, 5, 7}, {Step, 1, 0, 8}, {Dump, 0, 0, 10},
                                  {Step, 4, 0, 12}}));
}

// Whole files: Notepad's byte-order mark and line ends, the error cap, and a
// warning (one a line) for float arguments the module reads as integers.
TEST(SceneParser, WholeFilesWarningsAndTheErrorCap) {
    std::string bogus100, bogus101;
    for (int i = 0; i < 100; ++i) bogus100 += "bogus\n";
    bogus101 = bogus100 + "bogus\nbogus\n";
    struct Case {
        std::string text;
        size_t errorCount;
        std::string lastMessage;  // the last error, else the warnings
    };
    const Case cases[] = {
        {"\xEF\xBB\xBFkinemo k\r\nexpression k GetDist(1.5, 2)\r\n# done\r\n", 0, ""},
        {bogus100, 100, "f:100: unknown command \"bogus\""},
        {bogus101, 101, "f:101: too many errors, stopping"},
        // nothing to run is said, not run silently
        {"", 1, "f:1: nothing to run: the scene is empty"},
        {"\xEF\xBB\xBF \r\n\n", 1, "f:3: nothing to run: the scene is empty"},
        {"# a scene to come\n\n   # later\n", 1, "f:4: nothing to run: the scene has only comments and blank lines"},
        {"playfield 320 200", 1, "f:1: nothing to run: the scene only sets the playfield"},
        {"kinemo k\nexpression k GetDist(0.5, 0.5)\nexpression k GetDist(1.5, 1e10)\nexpression k GetDist(2, -0)\n"
         "expression k GetDistPoints(4294967296.0, 0, inf, 0)\n",
         0,
         "f:2: warning: \"0.5\" for %0 of \"GetDist(%0, %1)\" is read by the module as the integer 1056964608 (its "
         "float bits): it reads floats below 1 in magnitude, nan, inf and multiples of 2^32 as integers\n"
         "f:4: warning: \"-0\" for %1 of \"GetDist(%0, %1)\" is read by the module as the integer -2147483648 (its "
         "float bits): it reads floats below 1 in magnitude, nan, inf and multiples of 2^32 as integers\n"
         "f:5: warning: \"4294967296.0\" for %0 of \"GetDistPoints(%0, %1, %2, %3)\" is read by the module as the "
         "integer 1333788672 (its float bits): it reads floats below 1 in magnitude, nan, inf and multiples of 2^32 "
         "as integers\n"},
    };
    for (const Case& c : cases) {
        SceneParse p = parseScene(c.text, "f", language());
        std::string warnings;
        for (const std::string& w : p.warnings) warnings += w + "\n";
        EXPECT_EQ(p.errors.size(), c.errorCount) << c.text.substr(0, 40);
        EXPECT_EQ(p.errors.empty() ? warnings : p.errors.back(), c.lastMessage);
    }
    EXPECT_EQ(parseScene(cases[0].text, "f", language()).scene.commands.back().event.text, "GetDist(1.5, 2)");
}

// The README shows the scene grammar and its limits as the tool has them:
// its table and its limits paragraph are the generated ones.
TEST(SceneGrammar, TheReadmeShowsTheCommandsAndLimitsAsTheToolHasThem) {
    const std::string readme = readTextFile(std::string(KINEMO_SOURCE_DIR) + "/README.md");
    auto paragraph = [&](std::string_view start) {
        size_t at = readme.find(start);
        return at == std::string::npos ? std::string() : readme.substr(at, readme.find("\n\n", at) + 1 - at);
    };
    EXPECT_EQ(paragraph("| Command | Meaning |"), sceneCommandsTable());
    // The README's paragraph goes on after the limits.
    const std::string limits = sceneLimitsText(0);
    std::string written = paragraph("Limits: ");
    for (char& c : written)
        if (c == '\n') c = ' ';
    EXPECT_EQ(written.substr(0, limits.size() - 1) + "\n", limits) << "README.md's limits, wrapped:\n" << sceneLimitsText(80);
    // The numbers are the tool's own: one past a limit is refused.
    const std::string name65(65, 'n');
    EXPECT_NE(limits.find("names up to 64 characters"), std::string::npos);
    EXPECT_FALSE(parseScene("kinemo " + name65 + "\n", "f", language()).ok());
    EXPECT_NE(limits.find("at most 1000000 frames"), std::string::npos);
    EXPECT_FALSE(parseScene("kinemo k\nstep 1000001\n", "f", language()).ok());
}

}  // namespace
