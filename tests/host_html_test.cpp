// The replay page in a real headless browser: the field table it renders at
// `#frame=N` must equal the trace row for row and bit for bit, with no
// script error; the page's float printing must match the tool's; and a long
// run stays small.
#include <gtest/gtest.h>

#include <unistd.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "driver/module.h"
#include "kinemo-host/commands.h"
#include "kinemo-host/text_forms.h"
#include "support/text_file.h"
#include "kinemo-host/play_scene.h"
#include "kinemo-host/text_forms.h"
#include "support/text_file.h"

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

// One browser start costs seconds, so a single one opens every address, each
// in its own frame, and gathers what each page rendered into one DOM.
std::vector<Dump> openPages(const std::vector<std::string>& urls) {
    fs::path collector = scratch() / "collect.html";
    std::ofstream out(collector, std::ios::binary);
    out << "<!DOCTYPE html><meta charset=\"utf-8\"><body><script>\n";
    for (size_t i = 0; i < urls.size(); ++i)
        out << "{ const f = document.createElement('iframe');\n"
            << "  f.onload = () => { const s = document.createElement('section'); s.id = 'page" << i << "';\n"
            << "    s.innerHTML = f.contentDocument.body.innerHTML; document.body.appendChild(s); f.remove(); };\n"
            << "  f.src = '" << urls[i] << "'; document.body.appendChild(f); }\n";
    out << "</script></body>\n";
    out.close();
    auto [dom, console] = runChromium("file://" + collector.string());
    std::vector<Dump> dumps;
    for (size_t i = 0; i < urls.size(); ++i) {
        std::string open = "<section id=\"page" + std::to_string(i) + "\">";
        size_t from = dom.find(open), to = dom.find("</section>", from);
        dumps.push_back({from == std::string::npos ? "" : dom.substr(from, to - from), console});
    }
    return dumps;
}

std::string unescapeHtml(std::string text) {
    const std::pair<std::string, std::string> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&nbsp;", "\u00a0"}, {"&amp;", "&"}};
    for (const auto& [entity, c] : entities)
        for (size_t at; (at = text.find(entity)) != std::string::npos;) text.replace(at, entity.size(), c);
    return text;
}

std::string errorsShown(const std::string& dom) {
    std::smatch m;
    return std::regex_search(dom, m, std::regex("<pre id=\"errors\"[^>]*>([^<]*)</pre>")) ? m[1].str() : "(no error box)";
}

// The field table as trace rows: a header line, then one line per instance column.
std::vector<std::string> tableAsTrace(const std::string& dom) {
    std::smatch table;
    if (!std::regex_search(dom, table, std::regex("<table id=\"fields\">([\\s\\S]*?)</table>"))) return {};
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> columns;  // by instance, the cells top to bottom
    const std::regex row("<tr data-column=\"([^\"]*)\">([\\s\\S]*?)</tr>"), cell("<td>([^<]*)</td>");
    std::string body = table[1].str();
    for (std::sregex_iterator r(body.begin(), body.end(), row), end; r != end; ++r) {
        names.push_back((*r)[1].str());
        std::string cells = (*r)[2].str();
        size_t i = 0;
        for (std::sregex_iterator c(cells.begin(), cells.end(), cell); c != end; ++c, ++i) {
            if (columns.size() <= i) columns.emplace_back();
            columns[i].push_back(unescapeHtml((*c)[1].str()));
        }
    }
    auto join = [](const std::vector<std::string>& words) {
        std::string line;
        for (size_t i = 0; i < words.size(); ++i) line += (i == 0 ? "" : ",") + words[i];
        return line;
    };
    std::vector<std::string> lines{join(names)};
    for (const auto& column : columns) lines.push_back(join(column));
    return lines;
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

TEST(HostHtml, PagesShowTheTraceAtFirstMiddleAndLastFrames) {
    if (chromium().empty()) GTEST_SKIP() << "chromium is not installed (make test installs it)";
    struct Case {
        std::string name, text;
    };
    std::vector<Case> cases;
    for (const char* name : {"bouncing_ball", "orbit", "wrap_drift", "homing"})
        cases.push_back({name, readTextFile(kSource + "/examples/" + name + ".kscene")});
    cases.push_back({"builtin", std::string(builtinSceneText())});
    cases.push_back({"long", longScene()});

    struct Expected {
        std::string scene;
        long frame;
        std::vector<std::string> table;
        std::string results;  // at the last frame: every result and dump, in the order printed
    };
    std::vector<Expected> expected;
    std::vector<std::string> urls;
    auto module = kdrv::openModule("");
    for (const Case& c : cases) {
        ASSERT_FALSE(c.text.empty()) << c.name;
        Played run = play(*module, c.text, c.name + ".kscene");
        std::istringstream csv(run.trace), out(run.out);
        std::string header, results;
        std::getline(csv, header);
        std::map<long, std::vector<std::string>> byFrame;
        for (std::string line; std::getline(csv, line);) byFrame[std::strtol(line.c_str(), nullptr, 10)].push_back(line);
        for (std::string line; std::getline(out, line);)
            if (line.find(" = ") != std::string::npos || line.rfind("frame=", 0) == 0) results += line + "\n";
        ASSERT_FALSE(byFrame.empty()) << c.name;
        fs::path page = scratch() / (c.name + ".html");
        std::ofstream(page, std::ios::binary) << run.html;
        long first = byFrame.begin()->first, last = byFrame.rbegin()->first;
        for (long f : {first, (first + last) / 2, last}) {
            std::vector<std::string> table{header};
            for (const std::string& row : byFrame[f]) table.push_back(row);
            expected.push_back({c.name, f, table, f == last ? results : ""});
            urls.push_back("file://" + page.string() + "#frame=" + std::to_string(f));
        }
    }

    std::vector<Dump> dumps = openPages(urls);
    ASSERT_EQ(dumps.size(), expected.size());
    EXPECT_EQ(dumps[0].console, "");
    const std::regex item("<li data-frame=\"\\d+\" class=\"(?:past|now)\">frame \\d+: ([^<]*)</li>");
    for (size_t i = 0; i < dumps.size(); ++i) {
        const Expected& e = expected[i];
        SCOPED_TRACE(e.scene + " at frame " + std::to_string(e.frame));
        EXPECT_EQ(errorsShown(dumps[i].dom), "");
        EXPECT_EQ(tableAsTrace(dumps[i].dom), e.table);
        if (e.results.empty()) continue;
        std::string shown;
        const std::string& dom = dumps[i].dom;
        for (std::sregex_iterator r(dom.begin(), dom.end(), item), end; r != end; ++r)
            shown += unescapeHtml((*r)[1].str()) + "\n";
        EXPECT_EQ(shown, e.results);
    }
}

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
