// Writes a small mesh in every layout of the PLY writer into the folder given: seeds for the
// fuzzers' general path (binary bodies of both orders, every type, lists, strips, element order,
// normals and colours of several types and namings, face colours, Gaussian splats, measured
// properties on vertices and faces, splat files with good and bad values).
#include <cstdio>
#include <string>

#include "tools/plywrite/plywrite.h"

namespace {

using plywrite::Format;
using plywrite::Options;
using plywrite::Type;

const plywrite::Mesh kMesh = {{{0, 0, 0}, {2, 0, 1}, {2, 3, 0}, {0, 3, 1}, {1, 1, 4}},
                              {{0, 1, 2, 3}, {0, 3, 4}, {4, 2}},
                              {{0, 1, 3, 2, -1, 0, 3, 4}}};

struct Variant {
    const char* name;
    void (*change)(Options&);
};

const Variant kVariants[] = {
    {"plain", [](Options&) {}},
    {"extras", [](Options& o) { o.normalsAndColours = o.faceProperties = true; }},
    {"zyx", [](Options& o) { o.axes = "zyx"; }},
    {"faces_first", [](Options& o) { o.facesFirst = true; }},
    {"unknown_elements", [](Options& o) { o.unknownElements = true; }},
    {"strips",
     [](Options& o) {
         o.strips = true;
         o.listCount = Type::kInt32;
     }},
    {"point_cloud", [](Options& o) { o.pointCloud = true; }},
    {"line_ends",
     [](Options& o) {
         o.extraLineValues = 1;
         o.crlf = true;
     }},
    {"wide_types",
     [](Options& o) {
         o.coordinate = Type::kFloat64;
         o.listCount = Type::kUint16;
         o.index = Type::kUint32;
         o.sizedTypeNames = true;
     }},
    {"narrow_types",
     [](Options& o) {
         o.coordinate = Type::kInt8;
         o.listCount = Type::kInt8;
         o.index = Type::kInt16;
     }},
    {"library_layout",
     [](Options& o) {
         o.normalsAndColours = true;
         o.coordinate = o.normal = Type::kFloat64;
         o.index = Type::kUint32;
     }},
    {"unit_float_colours",
     [](Options& o) {
         o.normalsAndColours = true;
         o.colour = Type::kFloat32;
         o.colourFull = 1;
         o.alphaName = "alpha";
     }},
    {"ushort_rgb",
     [](Options& o) {
         o.normalsAndColours = true;
         o.colour = Type::kUint16;
         o.colourFull = 65535;
         o.colourNames = {"r", "g", "b"};
     }},
    {"face_colours",
     [](Options& o) {
         o.faceColours = true;
         o.colour = Type::kFloat32;
     }},
    {"vertex_and_face_colours", [](Options& o) { o.normalsAndColours = o.faceColours = true; }},
    {"splats",
     [](Options& o) {
         o.splats = true;
         o.pointCloud = true;
     }},
};

const char* const kFormatNames[] = {"ascii", "le", "be"};

// kMesh measuring something at each vertex (a NaN first) and face; with `listed`, declared before
// the rest and beside a list, so that binary vertices are read instance by instance.
plywrite::Mesh measured(bool listed) {
    plywrite::Mesh mesh = kMesh;
    mesh.vertexExtras = {{"intensity", Type::kFloat32, {__builtin_nan(""), 0.5, -2, 1e30, 7}},
                         {"label", Type::kUint8, {1, 1, 2, 3, 255}},
                         {"quality", Type::kFloat64, {1.6e9 + 0.25, 1.6e9, 1.6e9 - 1, 0, 1.6e9}}};
    mesh.faceExtras = {{"segment", Type::kInt16, {-4, 9, 12}}};
    if (listed) {
        mesh.vertexExtras.push_back({"tags", Type::kUint8, {1, 2, 3, 4, 5}, true});
    }
    return mesh;
}

bool writeMeasured(const std::string& folder, Format format) {
    for (const bool listed : {false, true}) {
        Options options;
        options.format = format;
        options.extrasFirst = listed;
        const std::string path = folder + "/gen_" + kFormatNames[static_cast<int>(format)] +
                                 (listed ? "_measured_listed.ply" : "_measured.ply");
        if (!plywrite::writeFile(path, measured(listed), options)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

// Splat files in text and binary at degrees 0 and 3 (shuffled, with normals and an unknown
// property at degree 3), and one whose splats include bad values: a NaN, an infinite scale, a
// zero rotation.
bool writeSplatSeeds(const std::string& folder) {
    constexpr int kSeedSplats = 6;
    std::vector<plywrite::SplatSpec> splats;
    for (int i = 0; i < kSeedSplats; ++i) {
        splats.push_back(plywrite::sceneSplat(i));
    }
    std::vector<plywrite::SplatSpec> bad = splats;
    bad[1].position[0] = __builtin_nan("");
    bad[2].logScale[1] = __builtin_inf();
    bad[4].rotation = {0, 0, 0, 0};
    struct Seed {
        const char* name;
        const std::vector<plywrite::SplatSpec>* splats;
        Format format;
        int degree;
    };
    const Seed seeds[] = {
        {"splats_ascii_0", &splats, Format::kAscii, 0},
        {"splats_ascii_3", &splats, Format::kAscii, 3},
        {"splats_le_0", &splats, Format::kBinaryLittleEndian, 0},
        {"splats_be_3", &splats, Format::kBinaryBigEndian, 3},
        {"splats_le_bad", &bad, Format::kBinaryLittleEndian, 1},
    };
    for (const Seed& seed : seeds) {
        plywrite::SplatOptions options;
        options.format = seed.format;
        options.degree = seed.degree;
        options.shuffled = options.normals = options.unrelated = seed.degree == 3;
        const std::string path = folder + "/gen_" + seed.name + ".ply";
        if (!plywrite::writeSplatFile(path, *seed.splats, options)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    for (int f = 0; f < 3; ++f) {
        for (const Variant& variant : kVariants) {
            Options options;
            options.format = static_cast<Format>(f);
            variant.change(options);
            const std::string path =
                std::string(argv[1]) + "/gen_" + kFormatNames[f] + "_" + variant.name + ".ply";
            if (!plywrite::writeFile(path, kMesh, options)) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
        }
        if (!writeMeasured(argv[1], static_cast<Format>(f))) {
            return 1;
        }
    }
    return writeSplatSeeds(argv[1]) ? 0 : 1;
}
