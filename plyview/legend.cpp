// The legend in the frame's top right corner (the bottom right one while the panel is shown)
// whenever a property or the height colours the model: the source's name, then the scale as a bar
// between its low and high values, or one swatch per label. Text and colours are uploaded when they
// or the frame change, never per frame.
#include "plyview/legend.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

#include "plyview/scene_parts.h"

namespace plyview {

namespace {

// ===== Constants =====

constexpr int kBarRows = 8;           // text lines the bar spans, the high and low values included
constexpr float kBarWidth = 14.0f;    // frame pixels
constexpr float kBarGap = 8.0f;       // from the bar or a swatch to its text
constexpr int kBarSegments = 32;      // quads of the bar, each shaded from one end to the other
constexpr float kSwatchSize = 12.0f;  // frame pixels, square
constexpr std::size_t kMaxRows = 16;  // labels per column
constexpr const char* kColumnGap = "   ";
constexpr float kRowPixels = kTextLineHeight * kTextScale;
constexpr int kQuadCorners = 6;  // two triangles
constexpr std::uint8_t kOpaque = 255;

// Spaces that take at least `pixels` across.
std::string spacesFor(float pixels) {
    const float space = textWidth(" ");
    return std::string(static_cast<std::size_t>(std::ceil(pixels / space)), ' ');
}

void addQuad(LegendLayout& layout, float left, float top, float right, float bottom, Rgb upper,
             Rgb lower) {
    const float xs[kQuadCorners] = {left, right, right, left, right, left};
    const float ys[kQuadCorners] = {top, top, bottom, top, bottom, bottom};
    for (int k = 0; k < kQuadCorners; ++k) {
        layout.positions.insert(layout.positions.end(), {xs[k], ys[k], 0.0f});
        const Rgb c = ys[k] == top ? upper : lower;
        layout.colours.insert(layout.colours.end(), {c.r, c.g, c.b, kOpaque});
    }
}

// The lines of a continuous scale: its name, the high value, blank lines beside the bar, the low.
void continuousLines(const std::string& name, const ColourScale& scale, LegendLayout& layout) {
    const std::string indent = spacesFor(kBarWidth + kBarGap);
    layout.lines = {name, indent + legendNumber(scale.high, scale)};
    layout.lines.resize(kBarRows, indent);
    layout.lines.back() = indent + legendNumber(scale.low, scale);
}

void addBar(const TextTriangles& box, LegendLayout& layout) {
    const float left = box.left + kTextPadding;
    const float top = box.top + kTextPadding + kRowPixels;
    const float height = (kBarRows - 1) * kRowPixels;
    for (int s = 0; s < kBarSegments; ++s) {
        const double high = 1.0 - static_cast<double>(s) / kBarSegments;
        const double low = 1.0 - static_cast<double>(s + 1) / kBarSegments;
        addQuad(layout, left, top + height * static_cast<float>(1.0 - high), left + kBarWidth,
                top + height * static_cast<float>(1.0 - low), scaleColour(high), scaleColour(low));
    }
}

// The lines of labels, in columns of at most kMaxRows, and where each label's swatch goes:
// (line, pixels from the line's start) in label order.
void labelLines(const std::string& name, const ColourScale& scale, LegendLayout& layout,
                std::vector<std::pair<std::size_t, float>>& swatches) {
    const std::size_t count = scale.categories.size();
    const std::size_t columns = (count + kMaxRows - 1) / kMaxRows;
    const std::size_t rows = (count + columns - 1) / columns;
    const std::string indent = spacesFor(kSwatchSize + kBarGap);
    layout.lines.assign(rows + 1, "");
    layout.lines[0] = name;
    swatches.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
        std::string& line = layout.lines[1 + k % rows];
        line += line.empty() ? "" : kColumnGap;
        swatches[k] = {1 + k % rows, textWidth(line)};
        line += indent + legendNumber(scale.categories[k], scale);
    }
}

void addSwatches(const TextTriangles& box,
                 const std::vector<std::pair<std::size_t, float>>& swatches, LegendLayout& layout) {
    for (std::size_t k = 0; k < swatches.size(); ++k) {
        const float left = box.left + kTextPadding + swatches[k].second;
        const float top =
            box.top + kTextPadding + static_cast<float>(swatches[k].first) * kRowPixels;
        const Rgb colour = categoryColour(k);
        addQuad(layout, left, top, left + kSwatchSize, top + kSwatchSize, colour, colour);
    }
}

}  // namespace

LegendLayout layOutLegend(const std::string& name, const ColourScale& scale,
                          const TextPlace& place) {
    LegendLayout layout;
    std::vector<std::pair<std::size_t, float>> swatches;
    if (scale.empty) {
        layout.lines = {name, "no finite values"};
    } else if (scale.categorical) {
        labelLines(name, scale, layout, swatches);
    } else {
        continuousLines(name, scale, layout);
    }
    const TextTriangles box = layOutText(layout.lines, place);
    if (!scale.empty && scale.categorical) {
        addSwatches(box, swatches, layout);
    } else if (!scale.empty) {
        addBar(box, layout);
    }
    return layout;
}

std::string legendSummary(const std::string& name, const ColourScale& scale) {
    std::string line = "colour by " + name + ":";
    if (scale.empty) {
        return line + " no finite values";
    }
    if (!scale.categorical) {
        return line + " " + legendNumber(scale.low, scale) + " .. " +
               legendNumber(scale.high, scale) + " (1st to 99th percentile)";
    }
    for (const double value : scale.categories) {
        line += " " + legendNumber(value, scale);
    }
    return line;
}

// ===== In the frame =====

namespace {

// The wireframe is green whatever colours the model: no legend there.
bool legendShown(const Painting& painting) {
    return painting.model != nullptr && viewer().style != Style::kWire &&
           (painting.source.kind == SourceKind::kProperty ||
            painting.source.kind == SourceKind::kHeight);
}

}  // namespace

std::string legendLine() {
    const Painting& painting = viewer().shown.painting;
    return legendShown(painting) ? legendSummary(painting.name, painting.scale) : "";
}

std::string colourSourceName() {
    return viewer().shown.painting.name;
}

void drawLegend() {
    Viewer& state = viewer();
    Painting& painting = state.shown.painting;
    if (!legendShown(painting)) {
        return;
    }
    // The panel is wide and tall: beside it the legend moves to the bottom corner.
    const Corner corner = state.panel ? Corner::kBottomRight : Corner::kTopRight;
    const TextPlace place{corner, state.width, state.height, coveredTopPixels()};
    // Laid out and uploaded when the source or the place changes, not per frame.
    if (!painting.legendLaidOut || !(place == painting.legendPlace)) {
        const LegendLayout layout = layOutLegend(painting.name, painting.scale, place);
        painting.legendText.show(layout.lines, place);
        painting.legendColours.release();
        if (!layout.positions.empty()) {
            painting.legendColours.uploadArray(
                GL_TRIANGLES, VertexSpan::of(layout.positions, nullptr, &layout.colours));
        }
        painting.legendLaidOut = true;
        painting.legendPlace = place;
    }
    drawText(painting.legendText);
    drawOnTop(painting.legendColours);
}

}  // namespace plyview
