// The `i` panel's lines: what the shown file holds (from describeFile, model/file_facts.h) and
// how it is shown, the last frame's time among them. Also printed by --png --panel.
#pragma once

#include <string>
#include <vector>

#include "model/file_facts.h"
#include "plyview/camera.h"
#include "plyview/options.h"

namespace plyview {

// A property list wraps after this many characters, so that the panel fits a 512-pixel picture.
constexpr std::size_t kPanelColumns = 40;
constexpr double kMillisecondsPerSecond = 1000.0;

// How the file is shown; a negative frame time is one not measured yet.
struct PanelView {
    Style style = Style::kWire;
    UpAxis up = UpAxis::kPlusY;
    double frameMs = -1;
    bool pointCloud = false;  // a cloud says whether eye-dome lighting shades it
    bool eyeDome = false;
    std::string colourSource;  // what the model is coloured by; empty: not said
};

std::vector<std::string> panelLines(const FileFacts& facts, const PanelView& view);

}  // namespace plyview
