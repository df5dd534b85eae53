// Where a gravity-only step spends its time beyond the floor: the step's
// arithmetic rebuilt stage by stage on a record, each stage adding one
// piece: the arithmetic, the target's host reference (a table look-up in the
// native build, a plain cast in the DLL), then the read of the control words
// that tells whether the host left the defaults.
#include <benchmark/benchmark.h>

#include "bench_records.h"
#include "platform/fmath.h"
#include "platform/fp_control.h"
#include "platform/host_ref.h"
#include "ratio_report.h"

namespace ActionCode = kinemo::ActionCode;
using kinemo::HostObject;
using kinemo::RunData;
using kinemo::computesAsModule;
using kinemo::f32;
using kinemo::f64;
using kinemo::hostPtrAs;
using kinemo::kCos;
using kinemo::kSin;
using kinemo::readFpControl;
using kinemo::truncatedLow32;

namespace {

enum Stage { Gravity = 1, Position, LimitTests, WriteBack, TargetLookup, FpCheck };

template <Stage Last>
void anatomy(benchmark::State& state) {
    auto scene = kbench::boundScene(1);
    RunData* rd = scene->instances[0];
    HostObject* target = scene->targets[0];
    kbench::callAction(rd, ActionCode::SetGravityStrength, 50);
    kbench::callAction(rd, ActionCode::SetSpeed, 200);
    for (auto _ : state) {
        if constexpr (Last >= FpCheck) benchmark::DoNotOptimize(computesAsModule(readFpControl()));
        benchmark::DoNotOptimize(rd);
        const double g = f64(rd->gravityStrength) / 100.0;
        const double angle = f64(rd->gravityAngle);
        rd->xSpeed = f32(f64(rd->xSpeed) + kCos(angle) * g);
        rd->ySpeed = f32(f64(rd->ySpeed) - kSin(angle) * g);
        if constexpr (Last >= Position) {
            rd->x = f32(f64(rd->x) + f64(rd->xSpeed) / 100.0);
            rd->y = f32(f64(rd->y) + f64(rd->ySpeed) / 100.0);
        }
        if constexpr (Last >= LimitTests) {
            const double sq = f64(rd->xSpeed) * f64(rd->xSpeed) + f64(rd->ySpeed) * f64(rd->ySpeed);
            const double maxSpeed = f64(rd->maxSpeed), minSpeed = f64(rd->minSpeed);
            if (rd->maxSpeed > 0.0f && maxSpeed * maxSpeed < sq) rd->speed = rd->maxSpeed;
            if (rd->minSpeed > 0.0f && minSpeed * minSpeed > sq) rd->speed = rd->minSpeed;
        }
        if constexpr (Last >= WriteBack) {
            if constexpr (Last >= TargetLookup) target = hostPtrAs<HostObject>(rd->target);
            target->posX = static_cast<int16_t>(static_cast<uint16_t>(truncatedLow32(rd->x)));
            target->posY = static_cast<int16_t>(static_cast<uint16_t>(truncatedLow32(rd->y)));
            target->updateFlagA = 1;
            target->updateFlagB = 1;
        }
        benchmark::ClobberMemory();
    }
    kbench::markStep(state, 1);
}

BENCHMARK(anatomy<Gravity>)->Name("anatomy/1 floor + gravity into the speeds");
BENCHMARK(anatomy<Position>)->Name("anatomy/2 + position");
BENCHMARK(anatomy<LimitTests>)->Name("anatomy/3 + speed-limit tests");
BENCHMARK(anatomy<WriteBack>)->Name("anatomy/4 + write-back");
BENCHMARK(anatomy<TargetLookup>)->Name("anatomy/5 + target from its host reference");
BENCHMARK(anatomy<FpCheck>)->Name("anatomy/6 + reading the control words");

}  // namespace
