// Lines of text on the frame, for the panel and whatever else labels the picture: built of
// stb_easy_font's quads (no font file, no texture), dark on a light, half see-through box that
// reads on the white background and over any model. The quads are uploaded when the text, its
// corner or the frame's size changes, never per frame.
#pragma once

#include <string>
#include <vector>

#include "plyview/gpu_geometry.h"

namespace plyview {

constexpr float kTextScale = 2.0f;        // the font's pixels are this many frame pixels
constexpr float kTextMargin = 8.0f;       // frame pixels from the frame's edges to the box
constexpr float kTextPadding = 6.0f;      // frame pixels from the box's edges to the letters
constexpr float kTextLineHeight = 10.0f;  // font pixels from one line's top to the next one's

enum class Corner { kTopLeft, kTopRight, kBottomLeft, kBottomRight };

// Where text goes: a corner of a frame of this size, below `coveredTop` pixels at its top that
// something else covers (the page's toolbar).
struct TextPlace {
    Corner corner = Corner::kTopLeft;
    int frameWidth = 0, frameHeight = 0;
    int coveredTop = 0;
    bool operator==(const TextPlace& other) const;
};

// Text as triangles in frame pixels from the top left (x right, y down, z 0): the letters and
// the box behind them, x, y, z per corner.
struct TextTriangles {
    std::vector<float> letters;
    std::vector<float> box;
    float width = 0, height = 0;  // of the box
    float left = 0, top = 0;      // the box's top left corner
};
TextTriangles layOutText(const std::vector<std::string>& lines, const TextPlace& place);
// The frame pixels a line takes across.
float textWidth(const std::string& line);

// Text kept on the GPU.
class ScreenText {
  public:
    // The text to show; uploaded only when it or its place differs from the last. True when it
    // did.
    bool show(const std::vector<std::string>& lines, const TextPlace& place);
    const GpuGeometry& letters() const { return letters_; }
    const GpuGeometry& box() const { return box_; }
    const std::vector<std::string>& lines() const { return lines_; }
    void release();

  private:
    std::vector<std::string> lines_;
    TextPlace place_;
    bool uploaded_ = false;
    GpuGeometry letters_, box_;
};

}  // namespace plyview
