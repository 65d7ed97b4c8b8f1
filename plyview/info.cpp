// --info: the facts of each file, for a person or as JSON lines for a script.
#include "plyview/info.h"

#include <charconv>
#include <cstdio>

#include "plyview/files.h"
#include "plyview/options.h"

namespace plyview {
namespace {

constexpr int kAxes = 3;
constexpr const char* kAxisNames[kAxes] = {"x", "y", "z"};
constexpr std::size_t kNumberChars = 32;  // the longest shortest form of a double, and room
constexpr unsigned kFirstPrintable = 0x20;
constexpr unsigned kByteMask = 0xFF;

// The shortest text that reads back as the same double: survey coordinates keep their digits.
std::string exact(double value) {
    char text[kNumberChars];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string propertyLine(const PropertyFacts& property) {
    return property.list ? "list " + property.countType + " " + property.type + " " + property.name
                         : property.type + " " + property.name;
}

std::string boxLine(const FileFacts& facts) {
    std::string line = "  box:";
    for (int a = 0; a < kAxes; ++a) {
        line += std::string(a == 0 ? " " : ", ") + kAxisNames[a] + " " + exact(facts.min[a]) +
                " .. " + exact(facts.max[a]);
    }
    return line;
}

std::string showsLine(const FileFacts& facts) {
    std::string line = "  shows: " + std::to_string(facts.vertices) + " vertices, " +
                       std::to_string(facts.triangles) + " triangles from " +
                       std::to_string(facts.faces) + " faces";
    if (facts.facesLeftOut > 0) {
        line += ", " + std::to_string(facts.facesLeftOut) + " faces left out";
    }
    return line;
}

// ----- JSON -----

void appendEscaped(std::string& out, const std::string& text) {
    static const char* const kHex = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        const unsigned byte = static_cast<unsigned char>(c) & kByteMask;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < kFirstPrintable) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;  // UTF-8 passes as it is
        }
    }
    out += '"';
}

std::string quoted(const std::string& text) {
    std::string out;
    appendEscaped(out, text);
    return out;
}

std::string stringArray(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += (i > 0 ? "," : "") + quoted(items[i]);
    }
    return out + "]";
}

std::string elementsJson(const std::vector<ElementFacts>& elements) {
    std::string out = "[";
    for (std::size_t e = 0; e < elements.size(); ++e) {
        const ElementFacts& element = elements[e];
        out += std::string(e > 0 ? "," : "") + "{\"name\":" + quoted(element.name) +
               ",\"count\":" + std::to_string(element.count) + ",\"properties\":[";
        for (std::size_t k = 0; k < element.properties.size(); ++k) {
            const PropertyFacts& property = element.properties[k];
            out += std::string(k > 0 ? "," : "") + "{\"name\":" + quoted(property.name) +
                   ",\"type\":" + quoted(property.type) +
                   ",\"list\":" + (property.list ? "true" : "false") +
                   ",\"count_type\":" + quoted(property.countType) + "}";
        }
        out += "]}";
    }
    return out + "]";
}

std::string boxJson(const FileFacts& facts) {
    if (!facts.hasBox) {
        return "null";
    }
    std::string low = "[", high = "[";
    for (int a = 0; a < kAxes; ++a) {
        low += (a > 0 ? "," : "") + exact(facts.min[a]);
        high += (a > 0 ? "," : "") + exact(facts.max[a]);
    }
    return "{\"min\":" + low + "],\"max\":" + high + "]}";
}

}  // namespace

std::vector<std::string> infoLines(const FileFacts& facts) {
    std::vector<std::string> lines = {facts.path};
    if (!facts.format.empty()) {
        lines.push_back("  format: " + facts.format);
    }
    for (const ElementFacts& element : facts.elements) {
        lines.push_back("  element " + element.name + " " + std::to_string(element.count));
        for (const PropertyFacts& property : element.properties) {
            lines.push_back("    property " + propertyLine(property));
        }
    }
    for (const std::string& comment : facts.comments) {
        lines.push_back("  comment: " + comment);
    }
    for (const std::string& info : facts.objInfo) {
        lines.push_back("  obj_info: " + info);
    }
    if (facts.refused) {
        lines.push_back("  refused: " + facts.reason);
        return lines;
    }
    if (facts.hasBox) {
        lines.push_back(boxLine(facts));
    }
    lines.push_back(showsLine(facts));
    lines.push_back("  normals: " + facts.normalsFrom);
    lines.push_back("  colours: " + facts.coloursFrom +
                    (facts.colourEncoding.empty() ? "" : " (" + facts.colourEncoding + ")"));
    if (facts.splats) {
        lines.push_back("  splats: read as Gaussian splats, each drawn as a point");
    }
    return lines;
}

std::string infoJson(const FileFacts& facts) {
    return "{\"path\":" + quoted(facts.path) +
           ",\"refused\":" + (facts.refused ? "true" : "false") +
           ",\"reason\":" + quoted(facts.reason) + ",\"format\":" + quoted(facts.format) +
           ",\"elements\":" + elementsJson(facts.elements) +
           ",\"comments\":" + stringArray(facts.comments) +
           ",\"obj_info\":" + stringArray(facts.objInfo) + ",\"box\":" + boxJson(facts) +
           ",\"vertices\":" + std::to_string(facts.vertices) +
           ",\"faces\":" + std::to_string(facts.faces) +
           ",\"triangles\":" + std::to_string(facts.triangles) +
           ",\"faces_left_out\":" + std::to_string(facts.facesLeftOut) +
           ",\"normals\":" + quoted(facts.normalsFrom) +
           ",\"colours\":" + quoted(facts.coloursFrom) +
           ",\"colour_encoding\":" + quoted(facts.colourEncoding) +
           ",\"splats\":" + (facts.splats ? "true" : "false") + "}";
}

int printInfo(const std::vector<std::string>& paths, bool json) {
    int status = kStatusOk;
    for (const std::string& path : paths) {
        const FileFacts facts = describeFile(path);
        if (json) {
            std::printf("%s\n", infoJson(facts).c_str());
        } else {
            for (const std::string& line : infoLines(facts)) {
                std::printf("%s\n", line.c_str());
            }
        }
        std::fflush(stdout);
        if (facts.refused) {
            report(path, facts.reason);
            status = kStatusFailed;
        }
    }
    return status;
}

}  // namespace plyview
