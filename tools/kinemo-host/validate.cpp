// `kinemo-host validate [--module PATH]`: the battery of contract checks, a
// pass/fail line each, a final count, and a non-zero exit on any failure.
#include "kinemo-host/validate.h"

#include <charconv>
#include <exception>
#include <iostream>

namespace kvalidate {

const char* const kUsage =
    "usage: kinemo-host validate [--module PATH] [--seed N] [--calls N]\n"
    "  Checks a module build against the host contract: every entry point with its\n"
    "  argument count, the registration values and routine tables, descriptor rows\n"
    "  against menus and strings, every text entry point at every buffer size from\n"
    "  1 to 300, leaks of menus, resources and allocations, and random run-time calls.\n"
    "  --module PATH  kinemo.qlm run in the emulated host (default: the native build)\n"
    "  --seed N       seed of the random run-time calls (default 1)\n"
    "  --calls N      number of random run-time calls (default 5000)\n";

namespace {

template <class T>
bool parseNumber(const std::string& text, T& out) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::optional<std::string> parseOptions(const std::vector<std::string>& args, Options& out) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out.help = true;
            continue;
        }
        if (a != "--module" && a != "--seed" && a != "--calls") return "unknown argument '" + a + "'";
        if (i + 1 == args.size()) return a + " needs a value";
        const std::string& v = args[++i];
        if (a == "--module") {
            if (v.empty()) return "--module needs a path";
            out.modulePath = v;
        } else if (a == "--seed") {
            if (!parseNumber(v, out.seed)) return "--seed expects a non-negative integer, got '" + v + "'";
        } else if (!parseNumber(v, out.randomCalls) || out.randomCalls < 0) {
            return "--calls expects a non-negative integer, got '" + v + "'";
        }
    }
    return std::nullopt;
}

void Report::pass(std::string_view check) {
    ++passed_;
    out_ << "PASS  " << check << '\n';
}

void Report::fail(std::string_view check, std::string_view detail) {
    ++failed_;
    failedChecks_.emplace_back(check);
    out_ << "FAIL  " << check << ": " << detail << '\n';
}

void Report::expect(std::string_view check, const std::vector<std::string>& problems) {
    if (problems.empty()) return pass(check);
    std::string detail = problems.front();
    constexpr size_t kShown = 5;
    for (size_t i = 1; i < problems.size() && i < kShown; ++i) detail += "; " + problems[i];
    if (problems.size() > kShown) detail += "; and " + std::to_string(problems.size() - kShown) + " more";
    fail(check, detail);
}

void runBattery(kdrv::Module& m, Report& report, const Options& options) {
    Host host = newHost(m);
    const std::pair<const char*, void (*)(Host&, Report&)> groups[] = {
        {"entry points", checkEntryPoints},   {"registration", checkRegistration},
        {"descriptors", checkDescriptors},    {"text entry points", checkTextEntryPoints},
        {"leaks", checkNothingLeaks},
    };
    for (auto [name, run] : groups) {
        try {
            run(host, report);
        } catch (const std::exception& e) {
            report.fail(name, std::string("stopped by a fault: ") + e.what());
        }
    }
    try {
        checkRandomRunTime(host, report, options.seed, options.randomCalls);
    } catch (const std::exception& e) {
        report.fail("random run-time calls", std::string("stopped by a fault: ") + e.what());
    }
}

}  // namespace kvalidate

int runValidate(const std::vector<std::string>& args) {
    using namespace kvalidate;
    Options options;
    if (auto error = parseOptions(args, options)) {
        std::cerr << "kinemo-host validate: " << *error << "\n" << kUsage;
        return 2;
    }
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }
    Report report(std::cout);
    std::unique_ptr<kdrv::Module> module;
    try {
        module = kdrv::openModule(options.modulePath);
    } catch (const std::exception& e) {
        report.fail("load module", e.what());
        std::cout << report.passed() << " passed, " << report.failed() << " failed\n";
        return 1;
    }
    std::cout << "Validating the " << module->kind() << " module"
              << (options.modulePath.empty() ? "" : " " + options.modulePath) << "\n";
    runBattery(*module, report, options);
    std::cout << report.passed() << " passed, " << report.failed() << " failed\n";
    return report.failed() == 0 ? 0 : 1;
}
