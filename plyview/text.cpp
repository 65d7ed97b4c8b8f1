// stb_easy_font's quads turned into triangles at a corner of the frame, and their upload.
#include "plyview/text.h"

#include <stb_easy_font.h>

#include <algorithm>
#include <array>

namespace plyview {

namespace {

// What stb_easy_font writes per quad corner: x, y, z and four colour bytes.
struct FontVertex {
    float x, y, z;
    unsigned char colour[4];
};
constexpr int kQuadCorners = 4;
constexpr int kFontVerticesPerCharacter = 96;  // room for the busiest glyph's quads
// A quad's two triangles, as corners of the quad.
constexpr std::array<int, 6> kQuadTriangles = {0, 1, 2, 0, 2, 3};

void addCorner(std::vector<float>& out, float x, float y) {
    out.insert(out.end(), {x, y, 0.0f});
}

void addRectangle(std::vector<float>& out, float left, float top, float right, float bottom) {
    const float xs[kQuadCorners] = {left, right, right, left};
    const float ys[kQuadCorners] = {top, top, bottom, bottom};
    for (const int corner : kQuadTriangles) {
        addCorner(out, xs[corner], ys[corner]);
    }
}

// The lines' quads at the font's own size from (0, 0), as triangles.
std::vector<float> letterTriangles(const std::vector<std::string>& lines, float& width) {
    std::vector<float> out;
    std::vector<FontVertex> quads;
    width = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string text = lines[i];  // the font takes a mutable string
        width = std::max(width, static_cast<float>(stb_easy_font_width(text.data())));
        quads.resize(text.size() * kFontVerticesPerCharacter + kQuadCorners);
        const int count =
            stb_easy_font_print(0, static_cast<float>(i) * kTextLineHeight, text.data(), nullptr,
                                quads.data(), static_cast<int>(quads.size() * sizeof(FontVertex)));
        for (int q = 0; q < count; ++q) {
            for (const int corner : kQuadTriangles) {
                const FontVertex& v = quads[static_cast<std::size_t>(q * kQuadCorners + corner)];
                addCorner(out, v.x, v.y);
            }
        }
    }
    return out;
}

}  // namespace

bool TextPlace::operator==(const TextPlace& other) const {
    return corner == other.corner && frameWidth == other.frameWidth &&
           frameHeight == other.frameHeight && coveredTop == other.coveredTop;
}

TextTriangles layOutText(const std::vector<std::string>& lines, const TextPlace& place) {
    const Corner corner = place.corner;
    TextTriangles text;
    float fontWidth = 0;
    text.letters = letterTriangles(lines, fontWidth);
    text.width = fontWidth * kTextScale + 2 * kTextPadding;
    text.height =
        static_cast<float>(lines.size()) * kTextLineHeight * kTextScale + 2 * kTextPadding;
    const bool right = corner == Corner::kTopRight || corner == Corner::kBottomRight;
    const bool bottom = corner == Corner::kBottomLeft || corner == Corner::kBottomRight;
    const float left =
        right ? static_cast<float>(place.frameWidth) - kTextMargin - text.width : kTextMargin;
    const float top = bottom ? static_cast<float>(place.frameHeight) - kTextMargin - text.height
                             : static_cast<float>(place.coveredTop) + kTextMargin;
    for (std::size_t i = 0; i < text.letters.size(); i += 3) {
        text.letters[i] = left + kTextPadding + text.letters[i] * kTextScale;
        text.letters[i + 1] = top + kTextPadding + text.letters[i + 1] * kTextScale;
    }
    addRectangle(text.box, left, top, left + text.width, top + text.height);
    text.left = left;
    text.top = top;
    return text;
}

float textWidth(const std::string& line) {
    std::string text = line;  // the font takes a mutable string
    return static_cast<float>(stb_easy_font_width(text.data())) * kTextScale;
}

bool ScreenText::show(const std::vector<std::string>& lines, const TextPlace& place) {
    if (uploaded_ && lines == lines_ && place == place_) {
        return false;
    }
    lines_ = lines;
    place_ = place;
    const TextTriangles text = layOutText(lines, place);
    letters_.release();
    box_.release();
    if (!text.letters.empty()) {
        letters_.uploadArray(GL_TRIANGLES, VertexSpan::of(text.letters));
    }
    box_.uploadArray(GL_TRIANGLES, VertexSpan::of(text.box));
    uploaded_ = true;
    return true;
}

void ScreenText::release() {
    letters_.release();
    box_.release();
    lines_.clear();
    uploaded_ = false;
}

}  // namespace plyview
