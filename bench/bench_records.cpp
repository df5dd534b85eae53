#include "bench_records.h"

#include <cstring>

#include "host/exports.h"
#include "platform/host_ref.h"

namespace kbench {
namespace {

struct FetchQueue {
    std::vector<uint32_t> values{0};
    size_t next = 0;
};
FetchQueue fetchQueue;

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
    auto scene = std::make_unique<Scene>();
    scene->runHeader.playfieldWidth = 640;
    scene->runHeader.playfieldHeight = 480;
    scene->runHeader.getFirstParam = hostFnRef<ParamFetch>(fetchParam);
    scene->runHeader.getNextParam = hostFnRef<ParamFetch>(fetchParam);
    scene->targets.resize(count);
    scene->instances.resize(count);
    const HostRef header = hostRef(&scene->runHeader);
    for (size_t i = 0; i < count; ++i) {
        HostObject& target = scene->targets[i];
        target.posX = static_cast<int16_t>(40 + i % 560);
        target.posY = static_cast<int16_t>(40 + (i / 560) % 400);
        target.imageWidth = 32;
        target.imageHeight = 32;
        RunData* rd = &scene->instances[i];
        std::memcpy(rd->header + kRunHeaderOffset, &header, sizeof header);
        CreateRunObject(rd, 0, 0);
        callAction(rd, 2, hostRef(&target));
    }
    return scene;
}

}  // namespace kbench
