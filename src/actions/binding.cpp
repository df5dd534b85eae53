// Action 2: binds the target and fixes the box it may wrap or bounce in.
#include "actions/action_params.h"
#include "actions/actions.h"

namespace kinemo {
KINEMO_ACTION(actSetObject) {
    (void)p2;
    const HostObject* object = objectParam(p1);
    // The host always passes an object; a null one would leave nothing to move.
    if (object == nullptr) return kActionResult;
    rd->target = p1;
    rd->objectSet = 1;
    rd->x = objectX(object);
    rd->y = objectY(object);

    // Hot-spot positions at which the whole image lies inside the playfield.
    const HostRunHeader* header = runHeaderOf(rd);
    int32_t hotX = object->hotSpotX;
    int32_t hotY = object->hotSpotY;
    rd->boundLeft = hotX;
    rd->boundTop = hotY;
    rd->boundRight = int32_t{header->playfieldWidth} - (int32_t{object->imageWidth} - hotX);
    rd->boundBottom = int32_t{header->playfieldHeight} - (int32_t{object->imageHeight} - hotY);
    return kActionResult;
}

}  // namespace kinemo
