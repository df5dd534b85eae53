// --svg: the playfield, each instance's wrap/bounce box, each target's path
// frame by frame with start, end, bounces, wraps and exits from the view
// marked, objects at each place the host put them, and a legend.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "kinemo-host/scene.h"
#include "kinemo-host/scene_runner.h"

namespace khost {

class SvgPicture final : public StepObserver {
public:
    struct Point {
        double x, y;
    };
    struct Segment {
        std::vector<Point> points;
    };
    // One instance moving one target; binding to another target starts a new track.
    struct Track {
        int instance = 0;
        int target = 0;
        std::vector<Segment> segments;
        std::vector<Point> bounces;
        std::vector<Point> wraps;  // where the target came in after a wrap
        InstanceState last;
        int64_t frames = 0;
    };

    // Where the host put an object, and from which frame on.
    struct Placement {
        int64_t frame;
        int object;
        int16_t x, y;
    };

    void onStep(const InstanceState& before, const InstanceState& after) override;
    void onPlace(int64_t frame, int object, int16_t x, int16_t y) override;
    void write(std::ostream& out, const Scene& scene, const SceneEnd& end) const;

    const std::vector<Track>& tracks() const { return tracks_; }

private:
    std::vector<Track> tracks_;
    std::vector<int> current_;  // instance -> index in tracks_, or -1
    std::vector<Placement> placements_;
};

}  // namespace khost
