// The panel's lines, one fact or a few short ones per line, properties grouped by element.
#include "plyview/panel.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace plyview {

namespace {

constexpr const char* kStyleWords[] = {"wire", "surface", "edges"};  // in Style's order
constexpr const char* kUpWords[kUpAxisCount] = {"+y", "-y", "+z", "-z", "+x", "-x"};
constexpr int kNumberChars = 64;
constexpr double kShortestFrameMs = 1e-3;  // keeps the rate finite

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string formatWords(const std::string& format) {
    if (format == "binary_little_endian")
        return "binary little endian";
    if (format == "binary_big_endian")
        return "binary big endian";
    return format.empty() ? "unknown" : format;
}

std::string number(const char* pattern, double value) {
    char text[kNumberChars];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string propertyWords(const PropertyFacts& property) {
    const std::string type =
        property.list ? "list " + property.countType + " " + property.type : property.type;
    return type + " " + property.name;
}

// `head` and the words after it, wrapped into lines of at most kPanelColumns characters (a
// single long word keeps its line), continuations indented.
void addWrapped(const std::string& head, const std::vector<std::string>& words,
                std::vector<std::string>& lines) {
    std::string line = head;
    bool empty = true;  // no word on this line yet
    for (const std::string& word : words) {
        if (!empty && line.size() + 1 + word.size() > kPanelColumns) {
            lines.push_back(line);
            line = " ";
        }
        line += " " + word;
        empty = false;
    }
    lines.push_back(line);
}

// "vertex 8: float x, float y, ...", wrapped.
void addElement(const ElementFacts& element, std::vector<std::string>& lines) {
    std::vector<std::string> words;
    for (std::size_t i = 0; i < element.properties.size(); ++i) {
        words.push_back(propertyWords(element.properties[i]) +
                        (i + 1 < element.properties.size() ? "," : ""));
    }
    addWrapped(element.name + " " + std::to_string(element.count) + ":", words, lines);
}

std::vector<std::string> wordsOf(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

}  // namespace

std::vector<std::string> panelLines(const FileFacts& facts, const PanelView& view) {
    std::vector<std::string> lines{"file " + baseName(facts.path)};
    if (facts.refused) {
        addWrapped("refused:", wordsOf(facts.reason), lines);
    } else {
        lines.push_back("format " + formatWords(facts.format));
        lines.push_back("vertices " + std::to_string(facts.vertices) + "  faces " +
                        std::to_string(facts.faces));
        lines.push_back("triangles drawn " + std::to_string(facts.triangles) + "  faces left out " +
                        std::to_string(facts.facesLeftOut));
        for (const ElementFacts& element : facts.elements) {
            addElement(element, lines);
        }
        lines.push_back("normals " + facts.normalsFrom + "  colours " + facts.coloursFrom);
        if (facts.splatCount > 0) {
            lines.push_back(std::to_string(facts.splatCount) + " splats (degree " +
                            std::to_string(facts.splatDegree) + ")" +
                            (facts.splatsLeftOut > 0
                                 ? "  left out " + std::to_string(facts.splatsLeftOut)
                                 : ""));
        }
        if (facts.hasBox) {
            lines.push_back("box " + number("%.6g", facts.max[0] - facts.min[0]) + " x " +
                            number("%.6g", facts.max[1] - facts.min[1]) + " x " +
                            number("%.6g", facts.max[2] - facts.min[2]));
        } else {
            lines.push_back("box none");
        }
    }
    lines.push_back(view.frameMs < 0
                        ? "frame time not measured yet"
                        : "frame " + number("%.1f", view.frameMs) + " ms  " +
                              number("%.0f", kMillisecondsPerSecond /
                                                 std::max(view.frameMs, kShortestFrameMs)) +
                              " fps");
    lines.push_back(std::string("style ") + kStyleWords[static_cast<int>(view.style)] + "  up " +
                    kUpWords[static_cast<int>(view.up)]);
    if (!view.colourSource.empty()) {
        lines.push_back("colour source " + view.colourSource);
    }
    if (view.pointCloud) {
        lines.push_back(std::string("eye-dome lighting: ") + (view.eyeDome ? "on" : "off"));
    }
    return lines;
}

}  // namespace plyview
