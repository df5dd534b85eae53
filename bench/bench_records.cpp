#include "bench_records.h"

#include <ctime>

#include "driver/host_harness.h"
#include "platform/host_ref.h"

namespace ActionCode = kinemo::ActionCode;
using kinemo::HostObject;
using kinemo::HostRunHeader;
using kinemo::ParamFetch;
using kinemo::RunData;
using kinemo::hostFnRef;
using kinemo::hostRef;

namespace kbench {
namespace {

struct FetchQueue {
    std::vector<uint32_t> values{0};
    size_t next = 0;
};
FetchQueue fetchQueue;

// Called straight from the module in the timed loops: no driver callback.
uint32_t KINEMO_STDCALL fetchParam(RunData*, uint32_t, uint32_t) {
    uint32_t v = fetchQueue.values[fetchQueue.next];
    fetchQueue.next = fetchQueue.next + 1 == fetchQueue.values.size() ? 0 : fetchQueue.next + 1;
    return v;
}

}  // namespace

void setFetchedParams(std::vector<uint32_t> values) {
    fetchQueue.values = values.empty() ? std::vector<uint32_t>{0} : std::move(values);
    fetchQueue.next = 0;
}

uint32_t objectRef(HostObject* obj) { return hostRef(obj); }

std::unique_ptr<Scene> boundScene(size_t count) {
    auto scene = std::make_unique<Scene>(Scene{kdrv::openNative(), {}, {}});
    kdrv::Module& m = *scene->module;
    hostrec::Stage stage = hostrec::newStage(m);
    m.view<HostRunHeader>(stage.header)->getFirstParam = hostFnRef<ParamFetch>(fetchParam);
    m.view<HostRunHeader>(stage.header)->getNextParam = hostFnRef<ParamFetch>(fetchParam);
    for (size_t i = 0; i < count; ++i) {
        const kdrv::Addr target = hostrec::newObject(m, int16_t(40 + i % 560), int16_t(40 + (i / 560) % 400));
        const kdrv::Addr rd = hostrec::newInstance(m, stage.header);
        hostrec::callAction(stage, rd, ActionCode::SetObject, target, 0);
        scene->targets.push_back(m.view<HostObject>(target));
        scene->instances.push_back(m.view<RunData>(rd));
    }
    return scene;
}

double threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

}  // namespace kbench
