// The PLY header, read line by line: the format, the elements with their counts and the
// properties of each. Comment and obj_info lines are free text and declare nothing.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "model/ply_format.h"

namespace ply {
namespace {

// ===== Constants =====

constexpr int kMaxLineTokens = 6;  // "property list uchar int vertex_indices" and one too many
constexpr std::int64_t kMaxCount = 2147483647;  // element counts are 32-bit signed in messages
constexpr int kCountBase = 10;

struct TypeNames {
    const char* name;
    const char* sizedName;
    int size;
};
// By Type: both names of each scalar type and its size in a binary body.
constexpr TypeNames kTypeNames[kTypeCount] = {
    {"char", "int8", 1}, {"uchar", "uint8", 1}, {"short", "int16", 2},   {"ushort", "uint16", 2},
    {"int", "int32", 4}, {"uint", "uint32", 4}, {"float", "float32", 4}, {"double", "float64", 8},
};

// ===== One line =====

struct Line {
    std::string_view tokens[kMaxLineTokens];
    int count = 0;  // tokens found, at most kMaxLineTokens
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Splits [begin, end) at blanks.
Line splitLine(const char* begin, const char* end) {
    Line line;
    const char* p = begin;
    while (line.count < kMaxLineTokens) {
        while (p < end && isBlank(*p)) {
            ++p;
        }
        if (p == end) {
            break;
        }
        const char* start = p;
        while (p < end && !isBlank(*p)) {
            ++p;
        }
        line.tokens[line.count++] = std::string_view(start, static_cast<std::size_t>(p - start));
    }
    return line;
}

bool findType(std::string_view word, Type& type) {
    for (int t = 0; t < kTypeCount; ++t) {
        if (word == kTypeNames[t].name || word == kTypeNames[t].sizedName) {
            type = static_cast<Type>(t);
            return true;
        }
    }
    return false;
}

bool readCount(std::string_view word, std::int64_t& count) {
    if (word.empty() || word.size() > 10) {
        return false;
    }
    count = 0;
    for (char c : word) {
        if (c < '0' || c > '9') {
            return false;
        }
        count = count * kCountBase + (c - '0');
    }
    return count <= kMaxCount;
}

int width(std::string_view word) {
    return static_cast<int>(word.size());
}

// ===== Declarations =====

bool readFormat(const Line& line, int number, Header& header, PlyError& error) {
    if (line.count != 3) {
        return fail(error, "line %d: a format line has a format and a version", number);
    }
    const std::string_view name = line.tokens[1];
    if (name == "ascii") {
        header.format = Format::kAscii;
    } else if (name == "binary_little_endian") {
        header.format = Format::kBinaryLittleEndian;
    } else if (name == "binary_big_endian") {
        header.format = Format::kBinaryBigEndian;
    } else {
        return fail(error, "line %d: unknown format \"%.*s\"", number, width(name), name.data());
    }
    header.version10 = line.tokens[2] == "1.0";
    if (!header.version10 && line.tokens[2] != "1") {
        return fail(error, "line %d: format version %.*s is not 1.0", number, width(line.tokens[2]),
                    line.tokens[2].data());
    }
    return true;
}

bool readElement(const Line& line, int number, Header& header, PlyError& error) {
    Element element;
    if (line.count != 3 || !readCount(line.tokens[2], element.count)) {
        return fail(error, "line %d: an element line has a name and a count from 0 to %lld", number,
                    static_cast<long long>(kMaxCount));
    }
    element.name = line.tokens[1];
    element.firstProperty = static_cast<int>(header.properties.size());
    header.elements.push_back(element);
    return true;
}

bool readType(std::string_view word, int number, Type& type, PlyError& error) {
    if (!findType(word, type)) {
        return fail(error, "line %d: unknown type \"%.*s\"", number, width(word), word.data());
    }
    return true;
}

bool readProperty(const Line& line, int number, Header& header, PlyError& error) {
    if (header.elements.empty()) {
        return fail(error, "line %d: a property before any element", number);
    }
    Property property;
    if (line.count >= 2 && line.tokens[1] == "list") {
        if (line.count != 5) {
            return fail(error, "line %d: a list property has a count type, an item type, a name",
                        number);
        }
        property.list = true;
        if (!readType(line.tokens[2], number, property.countType, error) ||
            !readType(line.tokens[3], number, property.type, error)) {
            return false;
        }
        if (!isInteger(property.countType)) {
            return fail(error, "line %d: a list's count type must be an integer type", number);
        }
        property.name = line.tokens[4];
    } else {
        if (line.count != 3) {
            return fail(error, "line %d: a property has a type and a name", number);
        }
        if (!readType(line.tokens[1], number, property.type, error)) {
            return false;
        }
        property.name = line.tokens[2];
    }
    header.properties.push_back(property);
    ++header.elements.back().propertyCount;
    return true;
}

// One header line; `done` when it was end_header.
bool readLine(const Line& line, int number, Header& header, bool& formatSeen, bool& done,
              PlyError& error) {
    const std::string_view keyword = line.tokens[0];
    if (keyword == "comment" || keyword == "obj_info") {
        return true;
    }
    if (keyword == "format") {
        if (formatSeen) {
            return fail(error, "line %d: a second format line", number);
        }
        formatSeen = true;
        return readFormat(line, number, header, error);
    }
    if (keyword == "element") {
        return readElement(line, number, header, error);
    }
    if (keyword == "property") {
        return readProperty(line, number, header, error);
    }
    if (keyword == "end_header") {
        if (!formatSeen) {
            return fail(error, "line %d: the header has no format line", number);
        }
        done = true;
        return true;
    }
    return fail(error, "line %d: unknown header line \"%.*s\"", number, width(keyword),
                keyword.data());
}

}  // namespace

// ===== Interface =====

bool fail(PlyError& error, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(error.message, sizeof error.message, format, args);
    va_end(args);
    return false;
}

const char* typeName(Type type) {
    return kTypeNames[static_cast<int>(type)].name;
}

bool readHeader(const char* text, std::size_t size, Header& header, PlyError& error) {
    header.elements.clear();
    header.properties.clear();
    header.format = Format::kAscii;
    header.version10 = false;
    const char* p = text;
    const char* end = text + size;
    bool formatSeen = false;
    for (int number = 1; p < end; ++number) {
        const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        const char* lineEnd = found != nullptr ? static_cast<const char*>(found) : end;
        const Line line = splitLine(p, lineEnd);
        p = found != nullptr ? lineEnd + 1 : end;
        if (number == 1) {
            if (line.count == 0 && found == nullptr) {
                break;  // nothing but blanks
            }
            if (line.count != 1 || line.tokens[0] != "ply") {
                return fail(error, "not a PLY file (the first line is not \"ply\")");
            }
            continue;
        }
        if (line.count == 0) {
            continue;
        }
        bool done = false;
        if (!readLine(line, number, header, formatSeen, done, error)) {
            return false;
        }
        if (done) {
            header.bodyOffset = static_cast<std::size_t>(p - text);
            return true;
        }
    }
    return fail(error, "file ends in the header");
}

bool isPlainTriangleForm(const Header& header) {
    if (header.format != Format::kAscii || !header.version10 || header.elements.size() != 2) {
        return false;
    }
    const Element& vertex = header.elements[0];
    const Element& face = header.elements[1];
    if (vertex.name != "vertex" || face.name != "face" || vertex.count > kMaxVertices ||
        face.count > kMaxFaces || vertex.propertyCount != 3 || face.propertyCount != 1 ||
        !header.property(face, 0).list) {
        return false;
    }
    const char* const axes[3] = {"x", "y", "z"};
    for (int k = 0; k < 3; ++k) {
        const Property& property = header.property(vertex, k);
        if (property.list || property.name != axes[k]) {
            return false;
        }
    }
    return true;
}

}  // namespace ply
