// The battery: each group of checks guarded, and a pass/fail line each.
#include <exception>
#include <functional>
#include <ios>

#include "validate/validate.h"

namespace kvalidate {

void Report::pass(std::string_view check) {
    ++passed_;
    out_ << "PASS  " << check << '\n';
}

void Report::fail(std::string_view check, std::string_view detail) {
    ++failed_;
    failedChecks_.emplace_back(check);
    out_ << "FAIL  " << check << ": " << detail << '\n';
}

void Report::skip(std::string_view check, std::string_view why) {
    ++skipped_;
    out_ << "SKIP  " << check << ": " << why << '\n';
}

void Report::expect(std::string_view check, const std::vector<std::string>& problems) {
    if (problems.empty()) return pass(check);
    std::string detail = problems.front();
    constexpr size_t kShown = 5;
    for (size_t i = 1; i < problems.size() && i < kShown; ++i) detail += "; " + problems[i];
    if (problems.size() > kShown) detail += "; and " + std::to_string(problems.size() - kShown) + " more";
    fail(check, detail);
}

void runBattery(kdrv::Module& m, Report& report, uint64_t seed, int randomCalls) {
    // Random text sweeps with arbitrary fills, high halves and versions, on top of the full sweeps.
    constexpr int kRandomTextSweeps = 20;
    Host host = newHost(m);
    const std::pair<const char*, std::function<void(Host&, Report&)>> groups[] = {
        {"entry points", checkEntryPoints},
        {"registration", checkRegistration},
        {"descriptors", checkDescriptors},
        {"text entry points", checkTextEntryPoints},
        {"leaks", checkNothingLeaks},
        {"random run-time calls", [&](Host& h, Report& r) { checkRandomRunTime(h, r, seed, randomCalls); }},
        {"random text sweeps", [&](Host& h, Report& r) { checkRandomTexts(h, r, seed, kRandomTextSweeps); }},
    };
    for (const auto& [name, run] : groups) {
        if (std::string_view(name) == "leaks" && !host.unobservedLibrary.empty()) {
            report.skip(name, "the counts of menus, resources, allocations and images are the stand-ins' records, and "
                              "the About box would wait for a user; this module calls " + host.unobservedLibrary);
            continue;
        }
        try {
            run(host, report);
        } catch (const std::ios_base::failure&) {
            throw;  // the report itself could not be written
        } catch (const std::exception& e) {
            report.fail(name, std::string("stopped by a fault: ") + e.what());
        }
    }
}

}  // namespace kvalidate
