// The replay page's float printing in a real headless browser must match the
// tool's, and a long run's page stays small. (The page against the trace is
// tests/replay_view_test.py.)
#include <gtest/gtest.h>

#include <unistd.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "driver/module.h"
#include "kinemo-host/commands.h"
#include "kinemo-host/text_forms.h"
#include "support/text_file.h"
#include "kinemo-host/play_scene.h"

extern const uint8_t kinemoReplayJs[];
extern const size_t kinemoReplayJsSize;

using namespace khost;
namespace fs = std::filesystem;

namespace {

const std::string kSource = KINEMO_SOURCE_DIR;

std::string chromium() {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        for (const char* name : {"chromium", "chromium-browser"})
            if (access((fs::path(dir) / name).c_str(), X_OK) == 0) return (fs::path(dir) / name).string();
    return "";
}

// Pages and browser profiles, removed when the tests end.
fs::path scratch() {
    static const struct Scratch {
        fs::path dir = fs::temp_directory_path() / ("kinemo_html_test_" + std::to_string(getpid()));
        ~Scratch() {
            std::error_code ec;
            fs::remove_all(dir, ec);
        }
    } scratch;
    fs::create_directories(scratch.dir);
    return scratch.dir;
}

struct Dump {
    std::string dom;
    std::string console;  // what the pages wrote to the browser's console
};

// The DOM after the scripts ran, and the console lines of the log.
Dump runChromium(const std::string& url) {
    fs::path log = scratch() / "console.log";
    std::string command = chromium() +
                          " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                          " --disable-background-networking --disable-component-update --disable-sync"
                          " --allow-file-access-from-files --enable-logging=stderr --v=0 --user-data-dir='" +
                          (scratch() / "profile").string() + "' --dump-dom '" + url + "' 2>'" + log.string() + "'";
    std::string dom;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) dom.append(buffer, n);
        pclose(pipe);
    }
    std::string console;
    std::istringstream lines(readTextFile(log.string()));
    for (std::string line; std::getline(lines, line);)
        if (line.find(":CONSOLE") != std::string::npos) console += line + "\n";
    return {dom, console};
}

struct Played {
    std::string out, trace, html;
};

Played play(kdrv::Module& m, const std::string& text, const std::string& name) {
    std::ostringstream out, err, trace, svg, html;
    int status = playScene(m, text, name, {out, err, &trace, nullptr, &html});
    EXPECT_EQ(status, kExitOk) << name << ": " << err.str();
    return {out.str(), trace.str(), html.str()};
}

// The benchmark's long run: 10,000 frames in which most fields change.
std::string longScene() { return readTextFile(kSource + "/bench/long_run.kscene"); }

// Float32 values the trace prints, in the page: every exponent at the edges of
// its mantissas, the neighbours of each power of ten, and a spread of others.
TEST(HostHtml, PageFormatsFloatsAsTheTraceDoes) {
    if (chromium().empty()) GTEST_SKIP() << "chromium is not installed (make test installs it)";
    std::vector<uint32_t> bits;
    for (uint32_t exponent = 0; exponent < 256; ++exponent)
        for (uint32_t mantissa : {0u, 1u, 2u, 3u, 0x400000u, 0x7FFFFEu, 0x7FFFFFu})
            for (uint32_t sign : {0u, 0x80000000u}) bits.push_back(sign | exponent << 23 | mantissa);
    for (int k = -45; k <= 38; ++k) {
        uint32_t p = std::bit_cast<uint32_t>(std::strtof(("1e" + std::to_string(k)).c_str(), nullptr));
        for (uint32_t d = 0; d < 7; ++d) bits.push_back(p + d - 3);
    }
    for (uint32_t i = 0, x = 12345; i < 6000; ++i) {
        x = x * 1664525u + 1013904223u;  // spread over all bit patterns
        bits.push_back(i % 2 ? x : std::bit_cast<uint32_t>(float(int32_t(x) >> (x % 24))) );
    }
    std::string cases = "[";
    for (uint32_t b : bits) cases += std::to_string(b) + ",\"" + formatFloat(std::bit_cast<float>(b)) + "\",";
    cases += "0]";
    fs::path page = scratch() / "floats.html";
    std::ofstream(page, std::ios::binary)
        << "<!DOCTYPE html><meta charset=\"utf-8\"><body><pre id=\"errors\" hidden></pre><pre id=\"verdict\"></pre>"
        << "<script>" << std::string_view(reinterpret_cast<const char*>(kinemoReplayJs), kinemoReplayJsSize)
        << "</script><script>const cases = " << cases << ";\nconst wrong = [];\n"
        << "for (let i = 0; i + 1 < cases.length; i += 2) {\n"
        << "  const got = formatFloatBits(cases[i]);\n"
        << "  if (got !== cases[i + 1]) wrong.push(cases[i] + ': ' + got + ' not ' + cases[i + 1]);\n}\n"
        << "document.getElementById('verdict').textContent = wrong.length ? wrong.slice(0, 20).join('\\n') : "
        << "'all ' + (cases.length - 1) / 2 + ' match';</script>";
    Dump d = runChromium("file://" + page.string());
    EXPECT_EQ(d.console, "");
    std::smatch verdict;
    ASSERT_TRUE(std::regex_search(d.dom, verdict, std::regex("<pre id=\"verdict\">([^<]*)</pre>")));
    EXPECT_EQ(verdict[1].str(), "all " + std::to_string(bits.size()) + " match");
}

TEST(HostHtml, LongRunPageStaysSmall) {
    auto module = kdrv::openModule("");
    Played run = play(*module, longScene(), "long.kscene");
    EXPECT_LT(run.html.size(), 2u << 20);
}

}  // namespace
