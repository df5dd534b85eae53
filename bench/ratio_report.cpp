#include "ratio_report.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace kbench {
namespace {

constexpr const char* kStepCounter = "steps";
constexpr const char* kCallCounter = "calls";

struct Figure {
    std::string name;
    double nsPerIteration;
    double units;  // steps or calls per iteration
    bool isStep;
};

// Figures measured against each other in alternating batches inside one
// benchmark, with the goal each ratio must meet.
struct PairedGoal {
    const char* benchmark;  // the name's start: a fixed iteration count adds to it
    const char* ratioCounter;
    const char* what;
    double goal;
    const char* boundCounter;  // a ratio the measured one cannot go below, or null
    const char* boundWhat;
};
constexpr PairedGoal kPairedGoals[] = {
    {"step/gravity only against the floor", "step_over_floor", "Gravity-only step over its floor", 1.5,
     "read_and_floor_over_floor", "the floor after the guard's read of the control words alone"},
    {"scene/8 instances x 100000 frames", "emulated_over_native", "Emulated DLL over native module, 8 instances x 100,000 frames",
     15, nullptr, nullptr},
};

struct PairedRatio {
    const PairedGoal* goal;
    double ratio;
    double bound;  // 0 when the benchmark reports none
};

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0) continue;
            // With repetitions, the median stands for the benchmark.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            // CPU time: on a shared machine it is less disturbed by other work than wall time.
            Figure f{run.run_name.str(), run.cpu_accumulated_time / static_cast<double>(run.iterations) * 1e9, 1, false};
            if (median) f.nsPerIteration = run.GetAdjustedCPUTime() * toNs(run.time_unit);
            if (auto it = run.counters.find(kStepCounter); it != run.counters.end()) {
                f.units = it->second.value;
                f.isStep = true;
            } else if (auto c = run.counters.find(kCallCounter); c != run.counters.end()) {
                f.units = c->second.value;
            }
            if (const PairedGoal* goal = pairedGoal(f.name); goal != nullptr) {
                if (auto r = run.counters.find(goal->ratioCounter); r != run.counters.end()) {
                    auto b = goal->boundCounter == nullptr ? run.counters.end() : run.counters.find(goal->boundCounter);
                    recordPair({goal, r->second.value, b == run.counters.end() ? 0.0 : b->second.value});
                }
                if (!f.isStep) continue;  // its time per iteration holds both figures
            }
            record(f);
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        printTable();
    }

private:
    static double toNs(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kNanosecond: return 1;
            case benchmark::kMicrosecond: return 1e3;
            case benchmark::kMillisecond: return 1e6;
            case benchmark::kSecond: return 1e9;
        }
        return 1;
    }

    static const PairedGoal* pairedGoal(const std::string& name) {
        for (const PairedGoal& g : kPairedGoals)
            if (name.rfind(g.benchmark, 0) == 0) return &g;
        return nullptr;
    }

    void recordPair(PairedRatio p) {
        for (PairedRatio& old : pairs_)
            if (old.goal == p.goal) {
                old = p;
                return;
            }
        pairs_.push_back(p);
    }

    void record(const Figure& f) {
        for (Figure& old : figures_)
            if (old.name == f.name) {
                old = f;
                return;
            }
        figures_.push_back(f);
    }

    static std::string cpuModel() {
        std::ifstream in("/proc/cpuinfo");
        for (std::string line; std::getline(in, line);)
            if (line.rfind("model name", 0) == 0) {
                auto colon = line.find(':');
                return colon == std::string::npos ? line : line.substr(colon + 2);
            }
        return "unknown CPU";
    }

    void printTable() const {
        const Figure* floor = nullptr;
        for (const Figure& f : figures_)
            if (f.name == kFloorName) floor = &f;
        std::printf("\nRatios to the floor (%s), measured in this run on %s\n\n",
                    kFloorName, cpuModel().c_str());
        if (floor == nullptr) {
            std::printf("The floor did not run: no ratios (drop the filter or include \"floor\").\n");
            return printGoals();
        }
        std::printf("| benchmark | CPU ns per step or call | x floor |\n|---|---:|---:|\n");
        for (const Figure& f : figures_) {
            const double perUnit = f.nsPerIteration / f.units;
            std::printf("| %s | %.2f | %.2f |\n", f.name.c_str(), perUnit, perUnit / floor->nsPerIteration);
        }
        printGoals();
    }

    void printGoals() const {
        if (pairs_.empty()) return;
        std::printf("\nGoals, each ratio measured in alternating batches:\n\n");
        for (const PairedRatio& p : pairs_) {
            std::printf("- %s: %.2f x (goal: at most %.2f): %s\n", p.goal->what, p.ratio, p.goal->goal,
                        p.ratio <= p.goal->goal ? "met" : "not met");
            if (p.bound > 0) std::printf("  (%s: %.2f x)\n", p.goal->boundWhat, p.bound);
        }
    }

    std::vector<Figure> figures_;
    std::vector<PairedRatio> pairs_;
};

}  // namespace

void markStep(benchmark::State& state, size_t count) {
    state.counters[kStepCounter] = static_cast<double>(count);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count));
}

void markCalls(benchmark::State& state, size_t count) {
    state.counters[kCallCounter] = static_cast<double>(count);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count));
}

int runWithRatios(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace kbench
