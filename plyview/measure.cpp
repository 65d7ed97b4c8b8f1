// Marking points and measuring between them: Control + a click marks the model's point under
// the pointer (a vertex within a few pixels wins, so a corner is hit exactly, and a cloud's
// nearest point is taken); a second shows both, the line between them and their distance; a
// third starts again. Coordinates are the file's own, in double, its survey offset restored.
// The marks are drawn over the model with what they say in a corner, and told to the front end.
#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "plyview/scene_parts.h"

namespace plyview {

namespace {

constexpr double kSnapPixels = 3.0;     // a vertex this close to the pointer is the one meant
constexpr double kSnapDepthPixels = 8;  // and this close in depth, in pixels there: not behind
constexpr float kMarkSize = 9.0f;       // pixels across a mark
constexpr Vec4 kMarkColour{1.0f, 0.45f, 0.0f, 1.0f};  // orange: neither green, red nor blue
constexpr double kDigitsBelowSize = 4;                // coordinates to 1/10,000 of the model's size
constexpr int kMaxDecimals = 9;

// The model's vertex nearest the pointer on screen, near the picked point in depth; `point`
// (view space) is left as picked when there is none.
void snapToVertex(const Eye& eye, int x, int y, Point3& point) {
    const Viewer& state = viewer();
    const FileModel* model = state.shown.model.get();
    if (model == nullptr) {
        return;
    }
    const double depth = -point.z;
    const double pixel = unitsPerPixel(eye, depth, state.height);
    const double px = x + 0.5, py = y + 0.5;
    double best = kSnapPixels * kSnapPixels;
    const std::vector<float>& positions = model->positions;
    for (std::size_t i = 0; i + 2 < positions.size(); i += kCoordinates) {
        const Point3 v = toView(eye, {positions[i], positions[i + 1], positions[i + 2]});
        if (v.z >= 0 || std::abs(-v.z - depth) > kSnapDepthPixels * pixel) {
            continue;
        }
        double sx = 0, sy = 0;
        toPixel(eye, v, state.width, state.height, sx, sy);
        const double distance = (sx - px) * (sx - px) + (sy - py) * (sy - py);
        if (distance <= best) {
            best = distance;
            point = v;
        }
    }
}

int decimalsFor(double size) {
    if (!(size > 0)) {
        return kMaxDecimals;
    }
    return std::clamp(static_cast<int>(std::ceil(kDigitsBelowSize - std::log10(size))), 0,
                      kMaxDecimals);
}

std::string formatPoint(const Point3& p, int decimals) {
    char text[128];
    std::snprintf(text, sizeof text, "%.*f %.*f %.*f", decimals, p.x, decimals, p.y, decimals, p.z);
    return text;
}

// What the marks say, a line each: the points, then their distance.
std::vector<std::string> describeMarks() {
    const Marks& marks = viewer().marks;
    const int decimals = decimalsFor(shownDiagonal());
    std::vector<std::string> lines;
    for (int i = 0; i < marks.count; ++i) {
        lines.push_back("point " + std::to_string(i + 1) + ": " +
                        formatPoint(marks.file[i], decimals));
    }
    if (marks.count == kMaxMarks) {
        const Point3& a = marks.file[0];
        const Point3& b = marks.file[1];
        char line[64];
        std::snprintf(line, sizeof line, "distance: %.*f", decimals,
                      std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                                (a.z - b.z) * (a.z - b.z)));
        lines.push_back(line);
    }
    return lines;
}

void tell(const std::vector<std::string>& lines) {
    if (viewer().measureListener == nullptr) {
        return;
    }
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    viewer().measureListener(text);
}

void uploadMarks() {
    Marks& marks = viewer().marks;
    std::vector<float> positions(marks.model, marks.model + kCoordinates * marks.count);
    marks.points.uploadArray(GL_POINTS, VertexSpan::of(positions));
    if (marks.count == kMaxMarks) {
        marks.line.uploadArray(GL_LINES, VertexSpan::of(positions));
    } else {
        marks.line.release();
    }
    marks.lines = describeMarks();
    ++marks.generation;
}

}  // namespace

void Marks::release() {
    points.release();
    line.release();
    text.release();
    lines.clear();
    count = 0;
    ++generation;
}

void markAt(int x, int y) {
    Viewer& state = viewer();
    Point3 point;
    if (!pickPoint(x, y, point)) {
        return;  // the background: nothing to measure
    }
    const Eye eye = eyeOf(currentCamera());
    snapToVertex(eye, x, y, point);
    const Point3 at = toModel(eye, point);
    Marks& marks = state.marks;
    if (marks.count == kMaxMarks) {
        marks.count = 0;
    }
    const double* centre = state.shown.centre;
    marks.file[marks.count] = {at.x + centre[0], at.y + centre[1], at.z + centre[2]};
    float* stored = marks.model + kCoordinates * marks.count;
    stored[0] = static_cast<float>(at.x);
    stored[1] = static_cast<float>(at.y);
    stored[2] = static_cast<float>(at.z);
    ++marks.count;
    uploadMarks();
    tell(marks.lines);
    state.frameWanted = true;
}

void clearMarks() {
    Marks& marks = viewer().marks;
    if (marks.count > 0) {
        marks.release();
        tell({"marks cleared"});
        viewer().frameWanted = true;
    }
}

void drawMarks(const FrameMatrices& matrices) {
    const Marks& marks = viewer().marks;
    if (marks.count == 0) {
        return;
    }
    Pass pass;
    pass.geometry = &marks.points;
    pass.colour = kMarkColour;
    pass.pointSize = kMarkSize;
    pass.onTop = true;
    usePass(pass, matrices);
    marks.points.drawAll(false);
    if (!marks.line.empty()) {
        marks.line.drawAll(false);
    }
    endPass(pass);
    Viewer& state = viewer();
    state.marks.text.show(marks.lines,
                          TextPlace{Corner::kBottomLeft, state.width, state.height, 0});
    drawText(state.marks.text);
}

}  // namespace plyview
