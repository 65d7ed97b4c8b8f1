// --info: the facts of each file, for a person or as JSON lines for a script.
#include "plyview/info.h"

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <cstdlib>

#include "plyview/files.h"
#include "plyview/options.h"

namespace plyview {
namespace {

constexpr int kAxes = 3;
constexpr const char* kAxisNames[kAxes] = {"x", "y", "z"};
constexpr std::size_t kNumberChars = 32;  // "%.17g" of any double, and room
constexpr int kRoundTripDigits = 17;      // always enough to read back the same double
constexpr unsigned kFirstPrintable = 0x20;
constexpr const char* kReplacement = "\\ufffd";  // for a byte that is not UTF-8

// UTF-8 lead bytes: the mask that picks their marker bits, the marker, the continuation bytes
// that follow and the smallest character of that length (anything less is an overlong form).
struct Lead {
    unsigned mask, marker;
    std::size_t following;
    unsigned smallest;
};
constexpr Lead kLeads[] = {{0xE0, 0xC0, 1, 0x80}, {0xF0, 0xE0, 2, 0x800}, {0xF8, 0xF0, 3, 0x10000}};
constexpr unsigned kContinuationMask = 0xC0, kContinuation = 0x80, kAscii = 0x80;
constexpr int kContinuationBits = 6;
constexpr unsigned kByteMask = 0xFF;
constexpr unsigned kSurrogateFirst = 0xD800, kSurrogateLast = 0xDFFF, kLargest = 0x10FFFF;

// How many bytes of a well-formed UTF-8 character start at `at`; 0 when they are not one
// (overlong, a surrogate, beyond U+10FFFF, cut short), which a strict JSON reader refuses.
std::size_t utf8Length(const std::string& text, std::size_t at) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (byte(at) < kAscii) {
        return 1;
    }
    for (const Lead& lead : kLeads) {
        if ((byte(at) & lead.mask) != lead.marker) {
            continue;
        }
        unsigned code = byte(at) & ~lead.mask & kByteMask;
        for (std::size_t k = 1; k <= lead.following; ++k) {
            if (at + k >= text.size() || (byte(at + k) & kContinuationMask) != kContinuation) {
                return 0;
            }
            code = code << kContinuationBits | (byte(at + k) & ~kContinuationMask & kByteMask);
        }
        const bool surrogate = code >= kSurrogateFirst && code <= kSurrogateLast;
        return code >= lead.smallest && !surrogate && code <= kLargest ? 1 + lead.following : 0;
    }
    return 0;
}

// The fewest significant digits from DBL_DIG up that read back as the same double, so survey
// coordinates keep their digits ("429877111.59", not "429877111.58999997"). printf rather than
// to_chars: the web page's C++ library has no floating-point to_chars.
std::string exact(double value) {
    char text[kNumberChars];
    for (int digits = DBL_DIG; digits < kRoundTripDigits; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value) {
            return text;
        }
    }
    std::snprintf(text, sizeof text, "%.*g", kRoundTripDigits, value);
    return text;
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
                       std::to_string(facts.triangles) + " triangles";
    if (facts.faces > 0) {  // a cloud or a file of strips alone has none
        line += " from " + std::to_string(facts.faces) + " faces";
    }
    if (facts.facesLeftOut > 0) {
        line += " (left out, of fewer than 3 corners: " + std::to_string(facts.facesLeftOut) + ")";
    }
    return line;
}

// ----- JSON -----

// A JSON string: quotes, backslashes and control characters escaped, UTF-8 as it is, and any
// byte that is not UTF-8 (a Latin-1 comment) as the replacement character.
void appendEscaped(std::string& out, const std::string& text) {
    static const char* const kHex = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const unsigned byte = static_cast<unsigned char>(c);
        const std::size_t length = utf8Length(text, i);
        if (length == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < kFirstPrintable) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out.append(text, i, length);
        }
        i += length;
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

// What `c` steps through for the file, in order.
std::vector<std::string> colourSources(const FileFacts& facts) {
    std::vector<std::string> sources;
    if (facts.coloursFrom != "none") {
        sources.push_back(kFileColoursSource);
    }
    sources.insert(sources.end(), facts.measured.begin(), facts.measured.end());
    if (facts.vertices > 0) {
        sources.push_back(kHeightSource);
    }
    sources.push_back(kNoColourSource);
    return sources;
}

std::string joined(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        line += (line.empty() ? "" : ", ") + word;
    }
    return line;
}

}  // namespace

std::string startingColourSource(const FileFacts& facts, const std::string& wanted) {
    const std::vector<std::string> sources = colourSources(facts);
    if (std::find(sources.begin(), sources.end(), wanted) != sources.end()) {
        return wanted;
    }
    return facts.coloursFrom != "none" ? kFileColoursSource : kNoColourSource;
}

std::vector<std::string> infoLines(const FileFacts& facts, const std::string& colourBy) {
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
    if (facts.splatCount > 0) {
        lines.push_back("  splats: " + std::to_string(facts.splatCount) + " of degree " +
                        std::to_string(facts.splatDegree) +
                        (facts.splatsLeftOut > 0 ? ", " + std::to_string(facts.splatsLeftOut) +
                                                       " left out (a value not finite, or a "
                                                       "zero rotation)"
                                                 : ""));
    } else if (facts.splats) {
        lines.push_back("  splats: read as Gaussian splats, each drawn as a point");
    }
    lines.push_back("  colour sources: " + joined(colourSources(facts)));
    lines.push_back("  colour source: " + startingColourSource(facts, colourBy));
    return lines;
}

std::string infoJson(const FileFacts& facts, const std::string& colourBy) {
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
           ",\"splats\":" + (facts.splats ? "true" : "false") +
           ",\"splat_count\":" + std::to_string(facts.splatCount) +
           ",\"splat_degree\":" + std::to_string(facts.splatDegree) +
           ",\"splats_left_out\":" + std::to_string(facts.splatsLeftOut) +
           ",\"colour_sources\":" + stringArray(colourSources(facts)) +
           ",\"colour_source\":" + quoted(startingColourSource(facts, colourBy)) + "}";
}

int printInfo(const std::vector<std::string>& paths, bool json, const std::string& colourBy) {
    int status = kStatusOk;
    for (const std::string& path : paths) {
        const FileFacts facts = describeFile(path);
        if (json) {
            std::printf("%s\n", infoJson(facts, colourBy).c_str());
        } else {
            for (const std::string& line : infoLines(facts, colourBy)) {
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
