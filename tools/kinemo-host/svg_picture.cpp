#include "kinemo-host/svg_picture.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "kinemo-host/step_observers.h"
#include "kinemo-host/text_forms.h"

namespace khost {
namespace {

constexpr std::array<const char*, 8> kPalette{"#d62728", "#1f77b4", "#2ca02c", "#9467bd",
                                              "#ff7f0e", "#8c564b", "#e377c2", "#17becf"};
constexpr double kMaxDrawing = 720;      // pixels for the longer side of the drawn area
constexpr double kMargin = 36;           // room for the grid labels
constexpr double kLegendWidth = 290;
constexpr size_t kMaxPointsPerTrack = 4000;
// Positions far off the playfield would shrink everything else to nothing.
constexpr double kMaxExtent = 32768;
// The view reaches at most this share of the playfield's longer side beyond
// each of its edges; a path that goes further is cut at the view's edge there
// and its exit marked.
constexpr double kMaxOverhang = 0.5;

struct Box {
    double left, top, right, bottom;
    void include(double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y)) return;
        x = std::clamp(x, -kMaxExtent, kMaxExtent);
        y = std::clamp(y, -kMaxExtent, kMaxExtent);
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
};

// Maps playfield coordinates onto the picture.
struct View {
    Box world;
    double scale;
    double x(double wx) const { return kMargin + (std::clamp(wx, -kMaxExtent, kMaxExtent) - world.left) * scale; }
    double y(double wy) const { return kMargin + (std::clamp(wy, -kMaxExtent, kMaxExtent) - world.top) * scale; }
    std::string at(double wx, double wy) const { return formatCoordinate(x(wx)) + "," + formatCoordinate(y(wy)); }
    double width() const { return (world.right - world.left) * scale; }
    double height() const { return (world.bottom - world.top) * scale; }
};

double gridStep(double span) {
    for (double step : {10.0, 20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0})
        if (span / step <= 12) return step;
    return 10000.0;
}

std::string_view modeName(int32_t mode) {
    switch (mode) {
        case 1: return "wrap";
        case 2: return "bounce";
        default: return "no wrap or bounce";
    }
}

void writeGrid(std::ostream& out, const View& v, const Scene& scene) {
    double step = gridStep(std::max(v.world.right - v.world.left, v.world.bottom - v.world.top));
    out << "<g stroke=\"#e4e4e0\" stroke-width=\"1\">\n";
    for (double gx = std::ceil(v.world.left / step) * step; gx <= v.world.right; gx += step)
        out << "<line x1=\"" << formatCoordinate(v.x(gx)) << "\" y1=\"" << formatCoordinate(v.y(v.world.top))
            << "\" x2=\"" << formatCoordinate(v.x(gx)) << "\" y2=\"" << formatCoordinate(v.y(v.world.bottom)) << "\"/>\n";
    for (double gy = std::ceil(v.world.top / step) * step; gy <= v.world.bottom; gy += step)
        out << "<line x1=\"" << formatCoordinate(v.x(v.world.left)) << "\" y1=\"" << formatCoordinate(v.y(gy))
            << "\" x2=\"" << formatCoordinate(v.x(v.world.right)) << "\" y2=\"" << formatCoordinate(v.y(gy)) << "\"/>\n";
    out << "</g>\n<g font-size=\"10\" fill=\"#888\">\n";
    for (double gx = std::ceil(v.world.left / step) * step; gx <= v.world.right; gx += step)
        out << "<text x=\"" << formatCoordinate(v.x(gx)) << "\" y=\"" << formatCoordinate(kMargin - 6)
            << "\" text-anchor=\"middle\">" << formatCoordinate(gx) << "</text>\n";
    for (double gy = std::ceil(v.world.top / step) * step; gy <= v.world.bottom; gy += step)
        out << "<text x=\"" << formatCoordinate(kMargin - 4) << "\" y=\"" << formatCoordinate(v.y(gy) + 3)
            << "\" text-anchor=\"end\">" << formatCoordinate(gy) << "</text>\n";
    out << "</g>\n";
    out << "<rect x=\"" << formatCoordinate(v.x(0)) << "\" y=\"" << formatCoordinate(v.y(0)) << "\" width=\""
        << formatCoordinate(scene.playfieldWidth * v.scale) << "\" height=\""
        << formatCoordinate(scene.playfieldHeight * v.scale)
        << "\" fill=\"#fbfbf6\" fill-opacity=\"0.6\" stroke=\"#333\" stroke-width=\"1.5\"/>\n";
}

// The object's image rectangle with its hot spot at (x, y).
std::string imageRect(const View& v, const SceneObject& o, double x, double y) {
    return "x=\"" + formatCoordinate(v.x(x - o.hotSpotX)) + "\" y=\"" + formatCoordinate(v.y(y - o.hotSpotY)) +
           "\" width=\"" + formatCoordinate(std::max(1.0, o.width * v.scale)) + "\" height=\"" +
           formatCoordinate(std::max(1.0, o.height * v.scale)) + "\"";
}

// Where the step from a (inside the box) to b (outside) crosses its edge.
SvgPicture::Point exitPoint(const Box& box, SvgPicture::Point a, SvgPicture::Point b) {
    double t = 1;
    auto limit = [&](double from, double to, double edge) {
        if ((to - from) != 0 && ((to > edge && from <= edge) || (to < edge && from >= edge)))
            t = std::min(t, (edge - from) / (to - from));
    };
    limit(a.x, b.x, box.left);
    limit(a.x, b.x, box.right);
    limit(a.y, b.y, box.top);
    limit(a.y, b.y, box.bottom);
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

bool inside(const Box& box, SvgPicture::Point p) {
    return p.x >= box.left && p.x <= box.right && p.y >= box.top && p.y <= box.bottom;
}

std::string exitMark(const View& v, SvgPicture::Point p, const char* color) {
    return "<path transform=\"translate(" + v.at(p.x, p.y) + ")\" d=\"M-5,-5L5,5M-5,5L5,-5\" stroke=\"" + color +
           "\" stroke-width=\"2.5\"/>\n";
}

std::vector<SvgPicture::Point> thinned(const std::vector<SvgPicture::Point>& points, size_t stride) {
    if (stride <= 1 || points.size() <= 2) return points;
    std::vector<SvgPicture::Point> out;
    for (size_t i = 0; i < points.size(); i += stride) out.push_back(points[i]);
    if ((points.size() - 1) % stride != 0) out.push_back(points.back());
    return out;
}

void writeTrack(std::ostream& out, const View& v, const SvgPicture::Track& t, const Scene& scene, const char* color) {
    const InstanceState& s = t.last;
    out << "<g>\n";
    if (s.mode == 1 || s.mode == 2)
        out << "<rect x=\"" << formatCoordinate(v.x(s.boundLeft)) << "\" y=\"" << formatCoordinate(v.y(s.boundTop))
        << "\" width=\"" << formatCoordinate(std::max(0.0, double(s.boundRight) - s.boundLeft) * v.scale)
        << "\" height=\"" << formatCoordinate(std::max(0.0, double(s.boundBottom) - s.boundTop) * v.scale)
        << "\" fill=\"none\" stroke=\"" << color << "\" stroke-width=\"1.2\" stroke-dasharray=\"6 4\" opacity=\"0.8\"/>\n";

    size_t total = 0;
    for (const auto& seg : t.segments) total += seg.points.size();
    size_t stride = total > kMaxPointsPerTrack ? (total + kMaxPointsPerTrack - 1) / kMaxPointsPerTrack : 1;
    for (const auto& seg : t.segments) {
        std::vector<SvgPicture::Point> points = thinned(seg.points, stride);
        if (points.empty()) continue;
        out << "<polyline fill=\"none\" stroke=\"" << color
            << "\" stroke-width=\"2\" stroke-linejoin=\"round\" stroke-linecap=\"round\" points=\"";
        for (size_t i = 0; i < points.size(); ++i) out << (i == 0 ? "" : " ") << v.at(points[i].x, points[i].y);
        out << "\"/>\n";
    }
    for (const auto& p : t.bounces)
        out << "<circle cx=\"" << formatCoordinate(v.x(p.x)) << "\" cy=\"" << formatCoordinate(v.y(p.y))
            << "\" r=\"2.5\" fill=\"" << color << "\"/>\n";
    for (const auto& p : t.wraps)
        out << "<circle cx=\"" << formatCoordinate(v.x(p.x)) << "\" cy=\"" << formatCoordinate(v.y(p.y))
            << "\" r=\"4\" fill=\"#fff\" stroke=\"" << color << "\" stroke-width=\"1.5\"/>\n";
    for (const auto& seg : t.segments)
        for (size_t i = 1; i < seg.points.size(); ++i)
            if (inside(v.world, seg.points[i - 1]) && !inside(v.world, seg.points[i]))
                out << exitMark(v, exitPoint(v.world, seg.points[i - 1], seg.points[i]), color);

    const SvgPicture::Point* first = nullptr;
    for (const auto& seg : t.segments)
        if (!seg.points.empty() && first == nullptr) first = &seg.points.front();
    if (first != nullptr) {
        const SvgPicture::Point& last = t.segments.back().points.back();
        const SceneObject& o = scene.objects.at(t.target);
        out << "<rect " << imageRect(v, o, last.x, last.y) << " fill=\"" << color
            << "\" fill-opacity=\"0.18\" stroke=\"" << color << "\" stroke-width=\"1\"/>\n";
        out << "<circle cx=\"" << formatCoordinate(v.x(first->x)) << "\" cy=\"" << formatCoordinate(v.y(first->y))
            << "\" r=\"5.5\" fill=\"#fff\" stroke=\"" << color << "\" stroke-width=\"2.5\"/>\n";
        out << "<rect x=\"" << formatCoordinate(v.x(last.x) - 5) << "\" y=\"" << formatCoordinate(v.y(last.y) - 5)
            << "\" width=\"10\" height=\"10\" fill=\"" << color << "\" stroke=\"#fff\" stroke-width=\"1\"/>\n";
    }
    out << "</g>\n";
}

void writeLegend(std::ostream& out, double left, const Scene& scene, const SceneEnd& end,
                 const std::vector<SvgPicture::Track>& tracks) {
    double y = kMargin;
    auto text = [&](double x, double dy, std::string_view attrs, const std::string& content) {
        y += dy;
        out << "<text x=\"" << formatCoordinate(x) << "\" y=\"" << formatCoordinate(y) << "\" " << attrs << ">"
            << escapeMarkup(content) << "</text>\n";
    };
    out << "<g font-family=\"sans-serif\" fill=\"#222\">\n";
    std::string_view title = scene.fileName;
    if (size_t slash = title.find_last_of("/\\"); slash != std::string_view::npos) title.remove_prefix(slash + 1);
    text(left, 4, "font-size=\"15\" font-weight=\"bold\"", std::string(title));
    text(left, 18, "font-size=\"12\" fill=\"#555\"",
         "playfield " + std::to_string(scene.playfieldWidth) + " \u00d7 " + std::to_string(scene.playfieldHeight) +
             ", " + std::to_string(end.frames) + " frames");
    y += 10;
    for (size_t i = 0; i < tracks.size(); ++i) {
        const auto& t = tracks[i];
        const char* color = kPalette[i % kPalette.size()];
        y += 22;
        out << "<line x1=\"" << formatCoordinate(left) << "\" y1=\"" << formatCoordinate(y - 4) << "\" x2=\""
            << formatCoordinate(left + 26) << "\" y2=\"" << formatCoordinate(y - 4) << "\" stroke=\"" << color
            << "\" stroke-width=\"3\"/>\n";
        y -= 22;
        text(left + 34, 22, "font-size=\"13\" font-weight=\"bold\"",
             scene.instances.at(t.instance) + " \u2192 " + scene.objects.at(t.target).name);
        std::string counts = std::string(modeName(t.last.mode)) + ", " + std::to_string(t.frames) + " frames";
        auto times = [](size_t n, std::string_view what) {
            return ", " + std::to_string(n) + " " + std::string(what) + (n == 1 ? "" : "s");
        };
        if (!t.bounces.empty()) counts += times(t.bounces.size(), "bounce");
        if (!t.wraps.empty()) counts += times(t.wraps.size(), "wrap");
        text(left + 34, 16, "font-size=\"11\" fill=\"#555\"", counts);
        text(left + 34, 15, "font-size=\"11\" fill=\"#555\"",
             "ends at (" + formatFloat(t.last.x) + ", " + formatFloat(t.last.y) + ")");
    }
    if (tracks.empty()) text(left, 22, "font-size=\"12\" fill=\"#555\"", "no instance moved a target");

    // Key to the marks.
    y += 28;
    text(left, 0, "font-size=\"12\" font-weight=\"bold\"", "Key");
    auto keyRow = [&](const std::string& mark, const std::string& label) {
        y += 20;
        out << "<g transform=\"translate(" << formatCoordinate(left + 13) << "," << formatCoordinate(y - 4) << ")\">"
            << mark << "</g>\n";
        y -= 20;
        text(left + 34, 20, "font-size=\"11\"", label);
    };
    keyRow("<circle r=\"5.5\" fill=\"#fff\" stroke=\"#444\" stroke-width=\"2.5\"/>", "start: where its first step began");
    keyRow("<rect x=\"-5\" y=\"-5\" width=\"10\" height=\"10\" fill=\"#444\"/>", "end, with the target's image");
    keyRow("<line x1=\"-13\" x2=\"13\" stroke=\"#444\" stroke-width=\"2\"/>", "hot-spot path, frame by frame");
    keyRow("<circle r=\"2.5\" fill=\"#444\"/>", "bounce");
    keyRow("<circle r=\"4\" fill=\"#fff\" stroke=\"#444\" stroke-width=\"1.5\"/>", "re-entry after a wrap");
    keyRow("<path d=\"M-5,-5L5,5M-5,5L5,-5\" stroke=\"#444\" stroke-width=\"2.5\"/>", "leaves the view");
    keyRow("<rect x=\"-12\" y=\"-7\" width=\"24\" height=\"14\" fill=\"none\" stroke=\"#444\" stroke-dasharray=\"4 3\"/>",
           "box the hot spot wraps or bounces in");
    keyRow("<rect x=\"-12\" y=\"-7\" width=\"24\" height=\"14\" fill=\"#ddd\" stroke=\"#999\"/>", "other objects");
    out << "</g>\n";
}

}  // namespace

void SvgPicture::onStep(const InstanceState& before, const InstanceState& after) {
    if (!before.moves() || !after.bound()) return;
    if (current_.size() <= static_cast<size_t>(after.instance)) current_.resize(after.instance + 1, -1);
    int& index = current_[after.instance];
    if (index < 0 || tracks_[index].target != after.target) {
        Track t;
        t.instance = after.instance;
        t.target = after.target;
        t.segments.emplace_back();
        if (before.target == after.target) t.segments.back().points.push_back({before.x, before.y});
        tracks_.push_back(std::move(t));
        index = static_cast<int>(tracks_.size() - 1);
    }
    Track& t = tracks_[index];
    StepEvents e = stepEvents(before, after);
    if (e.wraps > 0) {
        t.segments.emplace_back();
        t.wraps.push_back({after.x, after.y});
    }
    if (e.bounces > 0) t.bounces.push_back({after.x, after.y});
    t.segments.back().points.push_back({after.x, after.y});
    t.last = after;
    ++t.frames;
}

void SvgPicture::onPlace(int64_t frame, int object, int16_t x, int16_t y) { placements_.push_back({frame, object, x, y}); }

void SvgPicture::write(std::ostream& out, const Scene& scene, const SceneEnd& end) const {
    Box world{0, 0, double(scene.playfieldWidth), double(scene.playfieldHeight)};
    for (const Track& t : tracks_)
        for (const Segment& seg : t.segments)
            for (const Point& p : seg.points) world.include(p.x, p.y);
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        const SceneObject& o = scene.objects[i];
        double x = end.objects.at(i).x - o.hotSpotX, y = end.objects.at(i).y - o.hotSpotY;
        world.include(x, y);
        world.include(x + o.width, y + o.height);
    }
    const double overhang = kMaxOverhang * std::max(scene.playfieldWidth, scene.playfieldHeight);
    world.left = std::max(world.left, -overhang);
    world.top = std::max(world.top, -overhang);
    world.right = std::min(world.right, scene.playfieldWidth + overhang);
    world.bottom = std::min(world.bottom, scene.playfieldHeight + overhang);
    double span = std::max(world.right - world.left, world.bottom - world.top);
    View v{world, span > 0 ? kMaxDrawing / span : 1.0};
    v.scale = std::min(v.scale, 1.5);
    double legendLeft = kMargin + v.width() + 28;
    double width = legendLeft + kLegendWidth;
    double height = std::max(kMargin + v.height() + 24, 440.0 + 60.0 * tracks_.size());

    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << formatCoordinate(width) << "\" height=\""
        << formatCoordinate(height) << "\" viewBox=\"0 0 " << formatCoordinate(width) << " " << formatCoordinate(height)
        << "\" font-family=\"sans-serif\">\n";
    out << "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
    writeGrid(out, v, scene);

    // Objects that no instance moves, where they stand at the end.
    std::vector<bool> isTarget(scene.objects.size(), false);
    for (const Track& t : tracks_) isTarget.at(t.target) = true;
    // Earlier places of objects the host moved, dashed, with the frames they stood there.
    for (size_t k = 0; k < placements_.size(); ++k) {
        const Placement& p = placements_[k];
        if (isTarget.at(p.object)) continue;
        const SceneObject& o = scene.objects[p.object];
        int64_t from = 0, until = -1;
        int16_t x = o.x, y = o.y;
        for (size_t j = 0; j < k; ++j)
            if (placements_[j].object == p.object) from = placements_[j].frame, x = placements_[j].x, y = placements_[j].y;
        until = p.frame;
        out << "<rect " << imageRect(v, o, x, y) << " fill=\"none\" stroke=\"#999\" stroke-dasharray=\"3 3\"/>\n";
        out << "<text x=\"" << formatCoordinate(v.x(x - o.hotSpotX)) << "\" y=\"" << formatCoordinate(v.y(y - o.hotSpotY) - 4)
            << "\" font-size=\"10\" fill=\"#999\">" << escapeMarkup(o.name) << ", frames " << from << "\u2013" << until
            << "</text>\n";
    }
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        if (isTarget[i]) continue;
        const SceneObject& o = scene.objects[i];
        out << "<rect " << imageRect(v, o, end.objects[i].x, end.objects[i].y)
            << " fill=\"#ddd\" stroke=\"#999\" stroke-width=\"1\"/>\n";
        out << "<text x=\"" << formatCoordinate(v.x(end.objects[i].x - o.hotSpotX)) << "\" y=\""
            << formatCoordinate(v.y(end.objects[i].y - o.hotSpotY) - 4) << "\" font-size=\"11\" fill=\"#666\">"
            << escapeMarkup(o.name) << "</text>\n";
    }
    out << "<clipPath id=\"view\"><rect x=\"" << formatCoordinate(kMargin - 8) << "\" y=\"" << formatCoordinate(kMargin - 8)
        << "\" width=\"" << formatCoordinate(v.width() + 16) << "\" height=\"" << formatCoordinate(v.height() + 16)
        << "\"/></clipPath>\n<g clip-path=\"url(#view)\">\n";
    for (size_t i = 0; i < tracks_.size(); ++i) writeTrack(out, v, tracks_[i], scene, kPalette[i % kPalette.size()]);
    out << "</g>\n";
    writeLegend(out, legendLeft, scene, end, tracks_);
    out << "</svg>\n";
}

}  // namespace khost
