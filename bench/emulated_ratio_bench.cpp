// One scene stepped on both builds through the driver, as kinemo-host plays
// it: 8 bound instances (gravity, half bouncing, half wrapping) for 100,000
// frames. Reports the emulated DLL's CPU time over the native module's; the
// ratio table shows the emulated time per instance-frame.
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "driver/module.h"
#include "host/routines.h"
#include "ratio_report.h"

namespace {

constexpr int kInstances = 8;
constexpr int kFrames = 100'000;

struct Scene {
    std::vector<kdrv::Addr> instances, targets;
};

kdrv::Addr action(kdrv::Module& m, const std::vector<kdrv::Addr>& actions, kdrv::Addr rd, int code, uint32_t p = 0) {
    return m.callRoutine(kdrv::RoutineKind::Action, actions.at(size_t(code)), {rd, p, 0});
}

Scene makeScene(kdrv::Module& m) {
    const kdrv::Addr header = m.alloc(sizeof(HostRunHeader)), infos = m.alloc(sizeof(RunInfos));
    m.view<HostRunHeader>(header)->playfieldWidth = 640;
    m.view<HostRunHeader>(header)->playfieldHeight = 480;
    m.call("GetRunObjectInfos", {0, infos});
    const std::vector<kdrv::Addr> actions = m.routineTable(kdrv::RoutineKind::Action, m.view<RunInfos>(infos)->actionRoutines);
    Scene s;
    for (int i = 0; i < kInstances; ++i) {
        const kdrv::Addr target = m.alloc(sizeof(HostObject)), rd = m.alloc(sizeof(RunData));
        auto* t = m.view<HostObject>(target);
        t->posX = int16_t(60 + 70 * i);
        t->posY = int16_t(40 + 50 * i);
        t->imageWidth = 32;
        t->imageHeight = 32;
        *reinterpret_cast<kdrv::Addr*>(m.bytes(rd) + kRunHeaderOffset) = header;
        m.call("CreateRunObject", {rd, 0, 0});
        action(m, actions, rd, 2, target);   // bind the target
        action(m, actions, rd, 16 + i % 2);  // wrap or bounce
        action(m, actions, rd, 3, 40);       // gravity strength
        action(m, actions, rd, 1, uint32_t(300 + 50 * i));  // speed
        action(m, actions, rd, 0, uint32_t(45 * i));        // angle
        s.instances.push_back(rd);
        s.targets.push_back(target);
    }
    return s;
}

double threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

double playNs(kdrv::Module& m, const Scene& s) {
    const double start = threadCpuNs();
    for (int f = 0; f < kFrames; ++f)
        for (kdrv::Addr rd : s.instances) m.call("HandleRunObject", {rd});
    return threadCpuNs() - start;
}

void emulatedOverNative(benchmark::State& state) {
    if (!std::filesystem::exists(KINEMO_DLL_PATH)) return state.SkipWithError("build the DLL first (make win32)");
    auto native = kdrv::openNative();
    auto emulated = kdrv::openEmulated(KINEMO_DLL_PATH);
    const Scene ns = makeScene(*native), es = makeScene(*emulated);
    double nativeNs = 0, emulatedNs = 0;
    for (auto _ : state) {
        state.PauseTiming();  // the benchmark's own time is the emulated run's
        nativeNs += playNs(*native, ns);
        state.ResumeTiming();
        emulatedNs += playNs(*emulated, es);
    }
    // Both builds must have moved every target to the same place.
    for (size_t i = 0; i < ns.targets.size(); ++i) {
        const HostObject& a = *native->view<HostObject>(ns.targets[i]);
        const HostObject& b = *emulated->view<HostObject>(es.targets[i]);
        if (a.posX != b.posX || a.posY != b.posY) return state.SkipWithError("the builds disagree on a target's position");
    }
    const double steps = double(state.iterations()) * kFrames * kInstances;
    state.counters["native_ns_per_step"] = nativeNs / steps;
    state.counters["emulated_ns_per_step"] = emulatedNs / steps;
    state.counters["emulated_over_native"] = emulatedNs / nativeNs;
    kbench::markStep(state, size_t(kFrames) * kInstances);
}
BENCHMARK(emulatedOverNative)->Name("scene/8 instances x 100000 frames, emulated over native")->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
