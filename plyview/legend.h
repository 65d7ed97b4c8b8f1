// What the legend says and where its colours go: laid out in frame pixels for a corner of the
// frame, without GL; and the one line that says the same on standard output. Internal to
// plyview/.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plyview/colour_scale.h"
#include "plyview/text.h"

namespace plyview {

struct LegendLayout {
    std::vector<std::string> lines;     // the text, as ScreenText shows it
    std::vector<float> positions;       // the bar or swatches: triangles, x, y, z per corner
    std::vector<std::uint8_t> colours;  // r, g, b, a per corner
};

// The legend of the source called `name`, coloured by `scale`, at `place`.
LegendLayout layOutLegend(const std::string& name, const ColourScale& scale,
                          const TextPlace& place);

// "colour by NAME: LOW .. HIGH (1st to 99th percentile)", or the labels after the colon.
std::string legendSummary(const std::string& name, const ColourScale& scale);

}  // namespace plyview
