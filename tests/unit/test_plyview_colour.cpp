// Colour by a property: the scale's range and kind found from the values, the colours they get,
// and the legend laid out from them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "fake_gl/fake_gl.h"
#include "plyview/colour_scale.h"
#include "plyview/legend.h"
#include "plyview/viewer.h"
#include "tools/plywrite/plywrite.h"

namespace {

using plyview::ColourScale;
using plyview::Rgb;

PropertyValues valuesOf(const std::vector<double>& values, bool integer = false, double base = 0) {
    PropertyValues property;
    property.name = "p";
    property.integer = integer;
    property.base = base;
    for (const double v : values) {
        property.values.push_back(static_cast<float>(v - base));
    }
    return property;
}

std::vector<double> countTo(int n) {
    std::vector<double> values;
    for (int i = 0; i < n; ++i) {
        values.push_back(i);
    }
    return values;
}

// ===== Scales =====

TEST(PlyviewColourScale, RangeAndKindComeFromTheValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> withOutlier = countTo(1000);
    withOutlier.push_back(1e6);  // 1,000 times the rest: beyond the 99th percentile
    std::vector<double> stamps;
    for (int i = 0; i <= 100; ++i) {
        stamps.push_back(1.6e9 + i + 0.25);  // a time stamp: only its small digits vary
    }
    struct Case {
        const char* what;
        PropertyValues property;
        bool categorical, empty;
        double low, high;
        std::size_t categories;
    };
    const std::vector<Case> cases = {
        {"an outlier is clamped", valuesOf(withOutlier), false, false, 10, 990, 0},
        {"NaN is passed over", valuesOf({nan, 1, 2, 3, nan}), false, false, 1, 3, 0},
        {"a large base keeps the fractions", valuesOf(stamps, false, stamps[0]), false, false,
         1.6e9 + 1.25, 1.6e9 + 99.25, 0},
        {"five labels", valuesOf({4, 0, 2, 1, 3, 3, nan}, true), true, false, 0, 0, 5},
        {"as many labels as there are colours", valuesOf(countTo(32), true), true, false, 0, 0, 32},
        {"one more is a continuous scale", valuesOf(countTo(33), true), false, false, 0, 32, 0},
        {"floats are never labels", valuesOf({0, 1, 2}), false, false, 0, 2, 0},
        {"nothing finite", valuesOf({nan, nan}), false, true, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const ColourScale scale = plyview::scaleOf(c.property);
        EXPECT_EQ(scale.categorical, c.categorical) << c.what;
        EXPECT_EQ(scale.empty, c.empty) << c.what;
        EXPECT_EQ(scale.categories.size(), c.categories) << c.what;
        if (!c.categorical && !c.empty) {
            EXPECT_DOUBLE_EQ(scale.low, c.low) << c.what;
            EXPECT_DOUBLE_EQ(scale.high, c.high) << c.what;
        }
    }
}

TEST(PlyviewColourScale, LightnessRisesAndLabelsAndMissingValuesStandApart) {
    int lastGreen = -1;
    for (int k = 0; k <= 255; ++k) {
        const Rgb c = plyview::scaleColour(k / 255.0);
        EXPECT_GE(c.g, lastGreen) << "at " << k;
        lastGreen = c.g;
    }
    EXPECT_LT(plyview::scaleColour(0).g, 10);   // dark blue at the low end
    EXPECT_GT(plyview::scaleColour(1).r, 240);  // yellow at the high end
    EXPECT_GT(plyview::scaleColour(1).g, 220);
    EXPECT_EQ(plyview::scaleColour(-5), plyview::scaleColour(0));  // clamped
    std::set<std::tuple<int, int, int>> seen{
        {plyview::kMissingLevel, plyview::kMissingLevel, plyview::kMissingLevel}};
    for (std::size_t k = 0; k < plyview::kMaxCategories; ++k) {
        const Rgb c = plyview::categoryColour(k);
        EXPECT_TRUE(seen.insert({c.r, c.g, c.b}).second) << "label " << k;
    }
}

TEST(PlyviewColourScale, PaintedColoursMatchTheScaleValueByValue) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> values = countTo(500);
    values.push_back(nan);
    values.push_back(-1e9);  // clamped to the low end
    for (const bool integer : {false, true}) {
        const PropertyValues property = valuesOf(integer ? countTo(7) : values, integer, 3);
        const ColourScale scale = plyview::scaleOf(property);
        std::vector<std::uint8_t> rgba;
        plyview::paintValues(scale, property, rgba);
        ASSERT_EQ(rgba.size(), property.values.size() * kColourBytes);
        for (std::size_t i = 0; i < property.values.size(); ++i) {
            const Rgb want = scale.colourOf(property.at(i));
            const std::uint8_t* got = &rgba[i * kColourBytes];
            EXPECT_NEAR(got[0], want.r, 1) << i;
            EXPECT_NEAR(got[1], want.g, 1) << i;
            EXPECT_NEAR(got[2], want.b, 1) << i;
            EXPECT_EQ(got[3], 255);
        }
    }
}

// ===== Legend =====

TEST(PlyviewLegend, TheEndsReadApartAndTheColoursSitInsideTheBox) {
    ColourScale stamps;
    stamps.empty = false;
    stamps.low = 1.6e9 + 1.25;
    stamps.high = 1.6e9 + 99.25;
    EXPECT_NE(plyview::legendNumber(stamps.low, stamps),
              plyview::legendNumber(stamps.high, stamps));
    EXPECT_EQ(plyview::legendSummary("t", stamps),
              "colour by t: " + plyview::legendNumber(stamps.low, stamps) + " .. " +
                  plyview::legendNumber(stamps.high, stamps) + " (1st to 99th percentile)");

    ColourScale labels;
    labels.empty = false;
    labels.categorical = true;
    for (int k = 0; k < 32; ++k) {
        labels.categories.push_back(1000 + k);
    }
    const plyview::TextPlace place{plyview::Corner::kTopRight, 512, 512, 40};
    for (const ColourScale& scale : {stamps, labels}) {
        const plyview::LegendLayout layout = plyview::layOutLegend("name", scale, place);
        const plyview::TextTriangles box = plyview::layOutText(layout.lines, place);
        EXPECT_EQ(layout.lines.front(), "name");
        EXPECT_FALSE(layout.positions.empty());
        EXPECT_EQ(layout.colours.size() / 4, layout.positions.size() / 3);
        EXPECT_LE(box.top + box.height, 512);  // 32 labels fit a 512-pixel picture
        for (std::size_t i = 0; i < layout.positions.size(); i += 3) {
            EXPECT_GE(layout.positions[i], box.left);
            EXPECT_LE(layout.positions[i], box.left + box.width);
            EXPECT_GE(layout.positions[i + 1], box.top);
            EXPECT_LE(layout.positions[i + 1], box.top + box.height);
        }
    }
    EXPECT_EQ(plyview::legendSummary("class", labels).rfind("colour by class: 1000 1001", 0), 0u);
}

// ===== In the viewer =====

// A coloured surface that measured an intensity at each vertex and a quality on each face.
std::unique_ptr<FileModel> measuredSurface() {
    plywrite::Options options;
    options.normalsAndColours = options.coloursOnly = true;
    const std::string text = plywrite::write(plywrite::surface(3, 3), options);
    auto model = std::make_unique<FileModel>();
    PlyError error;
    EXPECT_TRUE(parseFileModel(text.data(), text.size(), *model, error)) << error.message;
    model->properties.clear();  // whatever the writer gave, exactly these two
    PropertyValues intensity = valuesOf(countTo(static_cast<int>(model->vertexCount())));
    intensity.name = "intensity";
    PropertyValues quality = valuesOf(countTo(static_cast<int>(model->triangleCount())), true);
    quality.name = "quality";
    quality.face = true;
    model->properties = {intensity, quality};
    return model;
}

TEST(PlyviewColourScene, CStepsThroughTheSourcesAndOnlyAPropertyOrTheHeightHasALegend) {
    fakegl::reset();
    plyview::startViewer(plyview::SceneTarget{}, plyview::Style::kEdges, 512, 512);
    plyview::StartView start;
    start.colourBy = "quality";
    plyview::setStartView(start);
    plyview::useFiles({"first.ply", "second.ply"});
    plyview::showModel(0, measuredSurface(), {});
    plyview::drawFrame();
    EXPECT_EQ(plyview::colourSourceName(), "quality") << "the option's";
    const std::vector<std::string> steps = {"height", "none", "file colours", "intensity",
                                            "quality"};
    for (const std::string& next : steps) {
        plyview::pressKey(plyview::kKeyColourSource);
        EXPECT_TRUE(plyview::takeFrameRequest());
        plyview::drawFrame();
        EXPECT_EQ(plyview::colourSourceName(), next);
        const bool legend = next == "height" || next == "intensity" || next == "quality";
        EXPECT_EQ(!plyview::legendLine().empty(), legend) << next;
    }
    plyview::pressKey(plyview::kKeyStyle);  // the wireframe: green, no legend
    plyview::drawFrame();
    EXPECT_EQ(plyview::legendLine(), "");
    plyview::showModel(0, nullptr, {});
    fakegl::reset();
}

}  // namespace
