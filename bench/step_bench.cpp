// The per-frame step on its main paths, against the floor: the libm calls a
// step cannot avoid (sin and cos of the gravity angle).
#include <benchmark/benchmark.h>

#include "bench_records.h"
#include "host/exports.h"
#include "platform/fmath.h"
#include "platform/fp_control.h"
#include "ratio_report.h"

namespace ActionCode = kinemo::ActionCode;
using kinemo::HandleRunObject;
using kinemo::HostObject;
using kinemo::RunData;
using kinemo::computesAsModule;
using kinemo::f32FromBits;
using kinemo::f64;
using kinemo::kCos;
using kinemo::kDefaultGravityAngleBits;
using kinemo::kSin;
using kinemo::readFpControl;

namespace {

using kbench::callAction;

void sinCosOfGravityAngle(float& gravityAngle) {
    benchmark::DoNotOptimize(gravityAngle);
    double c = kCos(f64(gravityAngle));
    double s = kSin(f64(gravityAngle));
    benchmark::DoNotOptimize(c);
    benchmark::DoNotOptimize(s);
}

void floorSinCos(benchmark::State& state) {
    float gravityAngle = f32FromBits(kDefaultGravityAngleBits);
    for (auto _ : state) sinCosOfGravityAngle(gravityAngle);
}
BENCHMARK(floorSinCos)->Name(kbench::kFloorName);

// Steps one instance. A path that decays (damped bounces) is put back on
// its start every `resetEvery` frames with a plain copy, cheap enough to
// leave inside the timing.
template <class Setup>
void stepPath(benchmark::State& state, Setup setup, int resetEvery = 0) {
    auto scene = kbench::boundScene(1);
    RunData* rd = scene->instances[0];
    setup(rd, scene->targets[0]);
    const RunData start = *rd;
    int frame = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HandleRunObject(rd));
        if (++frame == resetEvery) {
            *rd = start;
            frame = 0;
        }
    }
    kbench::markStep(state, 1);
}

void setGravityOnly(RunData* rd, HostObject*) {
    callAction(rd, ActionCode::SetGravityStrength, 50);
    callAction(rd, ActionCode::SetSpeed, 200);
}

void gravityOnly(benchmark::State& state) { stepPath(state, setGravityOnly); }

void gravityAtSpeedLimit(benchmark::State& state) {
    stepPath(state, [](RunData* rd, HostObject*) {
        callAction(rd, ActionCode::SetGravityStrength, 50);
        callAction(rd, ActionCode::SetMaximumSpeed, 300);  // below the speed set next
        callAction(rd, ActionCode::SetSpeed, 500);
    });
}

// A target larger than the playfield has its left bound right of its right
// bound (and top below bottom): every frame bounces on both axes.
void bounceBothAxes(benchmark::State& state) {
    stepPath(
        state,
        [](RunData* rd, HostObject* target) {
            target->imageWidth = 1000;
            target->imageHeight = 1000;
            callAction(rd, ActionCode::SetObject, kbench::objectRef(target));
            callAction(rd, ActionCode::BounceMode);
            callAction(rd, ActionCode::SetBounceCoefficient, 80);  // damped
            callAction(rd, ActionCode::SetGravityStrength, 50);
            callAction(rd, ActionCode::SetXSpeed, 400);
            callAction(rd, ActionCode::SetYSpeed, 400);
        },
        64);
}

BENCHMARK(gravityOnly)->Name("step/gravity only");

// The floor, the floor after the guard's read of the control words, and the
// gravity-only step, in alternating batches so that all three see the same
// machine: on a shared one its speed drifts between benchmarks by more than
// the gaps being measured. The middle one bounds the step from below.
void gravityOnlyInterleaved(benchmark::State& state) {
    constexpr int kBatch = 2000;
    auto scene = kbench::boundScene(1);
    RunData* rd = scene->instances[0];
    setGravityOnly(rd, scene->targets[0]);
    float gravityAngle = f32FromBits(kDefaultGravityAngleBits);
    double floorNs = 0, readNs = 0, stepNs = 0;
    for (auto _ : state) {
        const double t0 = kbench::threadCpuNs();
        for (int i = 0; i < kBatch; ++i) sinCosOfGravityAngle(gravityAngle);
        const double t1 = kbench::threadCpuNs();
        for (int i = 0; i < kBatch; ++i) {
            benchmark::DoNotOptimize(computesAsModule(readFpControl()));
            sinCosOfGravityAngle(gravityAngle);
        }
        const double t2 = kbench::threadCpuNs();
        for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(HandleRunObject(rd));
        const double t3 = kbench::threadCpuNs();
        floorNs += t1 - t0;
        readNs += t2 - t1;
        stepNs += t3 - t2;
    }
    const double n = double(state.iterations()) * kBatch;
    state.counters["floor_ns"] = floorNs / n;
    state.counters["step_ns"] = stepNs / n;
    state.counters["step_over_floor"] = stepNs / floorNs;
    state.counters["read_and_floor_over_floor"] = readNs / floorNs;
}
BENCHMARK(gravityOnlyInterleaved)->Name("step/gravity only against the floor, interleaved");
BENCHMARK(gravityAtSpeedLimit)->Name("step/gravity + max speed acting");
BENCHMARK(bounceBothAxes)->Name("step/bounce on both axes");

// The host's frame: every instance stepped once, in creation order.
void tenThousandInstances(benchmark::State& state) {
    constexpr size_t kCount = 10000;
    auto scene = kbench::boundScene(kCount);
    for (size_t i = 0; i < kCount; ++i) {
        RunData* rd = scene->instances[i];
        callAction(rd, ActionCode::WrapMode + static_cast<int>(i % 2));  // wrap or bounce
        callAction(rd, ActionCode::SetGravityStrength, 50);
        callAction(rd, ActionCode::SetSpeed, 100 + static_cast<uint32_t>(i % 700));
        callAction(rd, ActionCode::SetAngle, static_cast<uint32_t>(i % 360));
        if (i % 3 == 0) callAction(rd, ActionCode::SetMaximumSpeed, 400);
    }
    for (auto _ : state)
        for (RunData* rd : scene->instances) benchmark::DoNotOptimize(HandleRunObject(rd));
    kbench::markStep(state, kCount);
}
BENCHMARK(tenThousandInstances)->Name("frame/10000 instances");

}  // namespace
