// The general reader: binary and text bodies of the catalogue's largest model written by our
// PLY writer, read into the store and, with and without normals and colours kept, by the reader
// alone; a welded 1,000,000-triangle surface read and fitted to the store, and an unchanged
// oversized file against a bare read of the same file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_files.h"
#include "model/model.h"
#include "model/ply_format.h"
#include "tools/plywrite/plywrite.h"

namespace {

// ===== Constants =====

constexpr int kSurfaceColumns = 1000;  // 1001 x 501 vertices, 1,000,000 triangles
constexpr int kSurfaceRows = 500;
constexpr int kExporterDigits = 6;  // "%g", as most exporters write floats

// ===== Inputs =====

// The largest catalogue model as a writer mesh, read through the viewer's own reader.
plywrite::Mesh catalogueMesh(int index) {
    plywrite::Mesh mesh;
    loadModel(index);
    for (int i = 0; i < vertexCount; ++i) {
        mesh.positions.push_back({vertices[i].x, vertices[i].y, vertices[i].z});
    }
    for (int f = 0; f < faceCount; ++f) {
        mesh.faces.push_back({faces[f].v1, faces[f].v2, faces[f].v3});
    }
    forgetLoadedModel();
    return mesh;
}

std::string written(int index, plywrite::Format format, bool nineProperties) {
    plywrite::Options options;
    options.format = format;
    options.normalsAndColours = nineProperties;
    options.floatDigits = kExporterDigits;
    return plywrite::write(catalogueMesh(index), options);
}

std::size_t bodyBytes(const std::string& file) {
    const std::size_t header = file.find("end_header\n");
    return header == std::string::npos ? 0 : file.size() - header - sizeof "end_header";
}

// The surface file in a scratch folder, written once per process.
const std::string& surfacePath() {
    static const std::string path = [] {
        char folder[] = "/tmp/plyviewer-bench-XXXXXX";
        const std::string made = ::mkdtemp(folder) != nullptr ? folder : "/tmp";
        const std::string file = made + "/surface.ply";
        plywrite::Options options;
        options.format = plywrite::Format::kBinaryLittleEndian;
        plywrite::writeFile(file, plywrite::surface(kSurfaceColumns, kSurfaceRows), options);
        return file;
    }();
    return path;
}

// ===== Benchmarks =====

// The parse from memory; bytes counted are those of the body alone.
void BM_ParseBody(benchmark::State& state, int index, plywrite::Format format, bool nine) {
    const std::string file = written(index, format, nine);
    benchfiles::parseEveryIteration(state, file);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bodyBytes(file)));
}

// The general reader alone on a file in memory, header and body, normals and colours kept or
// not; bytes counted are those of the body.
void BM_ReadBody(benchmark::State& state, const std::string& (*fileOf)(), bool attributes) {
    const std::string& file = fileOf();
    ply::Header header;
    ply::Geometry geometry;
    ply::BodyOptions options;
    options.attributes = attributes;
    PlyError error;
    for (auto _ : state) {
        if (!ply::readHeader(file.data(), file.size(), header, error) ||
            !ply::readBody(file.data(), file.size(), header, options, geometry, error)) {
            state.SkipWithError(error.message);
            break;
        }
        benchmark::DoNotOptimize(geometry.positions.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bodyBytes(file)));
    state.counters["normals"] = static_cast<double>(geometry.normals.size());
    state.counters["colours"] = static_cast<double>(geometry.colours.size());
}

// The files the reader alone works on, written once. The layout common mesh libraries write:
// double x y z nx ny nz, uchar red green blue, faces as list uchar uint vertex_indices.
const std::string& libraryLayoutBinary() {
    static const std::string file = [] {
        plywrite::Options options;
        options.format = plywrite::Format::kBinaryLittleEndian;
        options.normalsAndColours = true;
        options.coordinate = options.normal = plywrite::Type::kFloat64;
        options.index = plywrite::Type::kUint32;
        return plywrite::write(catalogueMesh(kLastModel), options);
    }();
    return file;
}
const std::string& ninePropertyText() {
    static const std::string file = written(kLastModel, plywrite::Format::kAscii, true);
    return file;
}

// Gives the memory freed so far back to the system and makes the peak (benchfiles::peakMiB) start
// again from what the process holds now (Linux: clear_refs 5).
void resetPeak() {
    ::malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Read and fitted: what the viewer does when the surface file has changed. The peak resident
// memory of the loads (from after the file was written) is reported with it; run in a process
// of its own, it is the viewer's with the file and the fitting.
void BM_SurfaceReadAndFit(benchmark::State& state) {
    const std::string& path = surfacePath();
    resetPeak();
    for (auto _ : state) {
        forgetLoadedModel();
        if (loadModelFile(path.c_str(), kFirstModel) != LoadOutcome::kLoaded) {
            state.SkipWithError("the surface was not loaded");
            break;
        }
    }
    state.counters["peak_MiB"] = benchfiles::peakMiB();
    state.counters["faces"] = faceCount;
    state.counters["vertices"] = vertexCount;
}

// The every-frame case for an oversized file: unchanged, so compared and not simplified again.
void BM_SurfaceUnchanged(benchmark::State& state) {
    const std::string& path = surfacePath();
    forgetLoadedModel();
    loadModelFile(path.c_str(), kFirstModel);
    for (auto _ : state) {
        if (loadModelFile(path.c_str(), kFirstModel) != LoadOutcome::kUnchanged) {
            state.SkipWithError("the unchanged surface was read again");
            break;
        }
    }
}

// open + read + close of the same file into a buffer already large enough.
void BM_SurfaceBareRead(benchmark::State& state) {
    const std::string& path = surfacePath();
    const std::size_t size = benchfiles::readAll(path).size();
    benchfiles::PageBuffer buffer(size);
    for (auto _ : state) {
        benchfiles::readBare(path, buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_ParseBody, binary_le_big_atc, kLastModel,
                  plywrite::Format::kBinaryLittleEndian, false)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ParseBody, ascii9_big_atc, kLastModel, plywrite::Format::kAscii, true)
    ->Unit(benchmark::kMicrosecond);
// Normals and colours off and kept, side by side on the same files: big_atc in the layout of
// common mesh libraries (binary) and with nine vertex properties (ASCII).
BENCHMARK_CAPTURE(BM_ReadBody, library_binary_le_off, libraryLayoutBinary, false)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReadBody, library_binary_le_kept, libraryLayoutBinary, true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReadBody, ascii9_off, ninePropertyText, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReadBody, ascii9_kept, ninePropertyText, true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SurfaceReadAndFit)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SurfaceUnchanged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SurfaceBareRead)->Unit(benchmark::kMillisecond);
