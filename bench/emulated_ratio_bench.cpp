// One scene stepped on both builds through the driver, as kinemo-host plays
// it: 8 bound instances (gravity, half bouncing, half wrapping) for 100,000
// frames. Reports the emulated DLL's CPU time over the native module's; the
// ratio table shows the emulated time per instance-frame.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "driver/host_harness.h"
#include "host/routines.h"
#include "bench_records.h"
#include "ratio_report.h"

namespace ActionCode = kinemo::ActionCode;
using kinemo::HostObject;

namespace {

constexpr int kInstances = 8;
constexpr int kFrames = 100'000;

hostrec::Stage makeScene(kdrv::Module& m) {
    hostrec::Stage stage = hostrec::newStage(m);
    for (int i = 0; i < kInstances; ++i) {
        const kdrv::Addr target = hostrec::newObject(m, int16_t(60 + 70 * i), int16_t(40 + 50 * i));
        const kdrv::Addr rd = hostrec::newInstance(m, stage.header);
        hostrec::callAction(stage, rd, ActionCode::SetObject, target, 0);
        hostrec::callAction(stage, rd, i % 2 == 0 ? ActionCode::WrapMode : ActionCode::BounceMode, 0, 0);
        hostrec::callAction(stage, rd, ActionCode::SetGravityStrength, 40, 0);
        hostrec::callAction(stage, rd, ActionCode::SetSpeed, uint32_t(300 + 50 * i), 0);
        hostrec::callAction(stage, rd, ActionCode::SetAngle, uint32_t(45 * i), 0);
        stage.objects.push_back(target);
        stage.instances.push_back(rd);
    }
    return stage;
}

constexpr int kBatch = 1000;  // frames each build plays in turn

double playNs(kdrv::Module& m, const hostrec::Stage& s, int frames) {
    const double start = kbench::threadCpuNs();
    for (int f = 0; f < frames; ++f)
        for (kdrv::Addr rd : s.instances) m.call("HandleRunObject", {rd});
    return kbench::threadCpuNs() - start;
}

void emulatedOverNative(benchmark::State& state) {
    if (!std::filesystem::exists(KINEMO_DLL_PATH)) return state.SkipWithError("build the DLL first (make win32)");
    auto native = kdrv::openNative();
    auto emulated = kdrv::openEmulated(KINEMO_DLL_PATH);
    const hostrec::Stage ns = makeScene(*native), es = makeScene(*emulated);
    double nativeNs = 0, emulatedNs = 0;
    // The builds take turns in short batches, so that both see the same
    // machine: a shared one drifts in speed over a run.
    for (auto _ : state)
        for (int played = 0; played < kFrames; played += kBatch) {
            state.PauseTiming();  // the benchmark's own time is the emulated run's
            nativeNs += playNs(*native, ns, kBatch);
            state.ResumeTiming();
            emulatedNs += playNs(*emulated, es, kBatch);
        }
    // Both builds must have moved every target to the same place.
    for (size_t i = 0; i < ns.objects.size(); ++i) {
        const HostObject& a = *native->view<HostObject>(ns.objects[i]);
        const HostObject& b = *emulated->view<HostObject>(es.objects[i]);
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
