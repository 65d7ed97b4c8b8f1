// plyview_big_parse [--peak] FILE... [benchmark flags]: plyview's reader on big files outside CI
// (scripts/bench-big). Each file is read into memory once and parsed from there into a model of
// the file's own size again and again; bytes per second count the whole file. With --peak, one
// file is read as plyview reads it and one line gives the process's peak resident memory: what
// reading that file takes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_files.h"
#include "model/file_model.h"
#include "plyview/files.h"

namespace {

constexpr const char* kPeakFlag = "--peak";
constexpr int kUsageStatus = 2;
constexpr double kBytesPerMiB = 1 << 20;

std::string baseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The parse from memory of a file read once; the text lives as long as the process.
void registerParse(const std::string& path) {
    const auto* text = new std::string(benchfiles::readAll(path));
    const auto parse = [text](benchmark::State& state) {
        FileModel model;
        PlyError error;
        for (auto _ : state) {
            if (!parseFileModel(text->data(), text->size(), model, error)) {
                state.SkipWithError(error.message);
                break;
            }
            benchmark::DoNotOptimize(model.positions.data());
        }
        state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                                static_cast<std::int64_t>(text->size()));
    };
    benchmark::RegisterBenchmark(("BM_BigParse/" + baseName(path)).c_str(), parse)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

// "peak_mb <MiB> file_mb <MiB> <file>": the file read as plyview reads it, then the process's
// peak.
int reportPeak(const std::string& path) {
    FileModel model;
    std::string problem;
    if (!plyview::readFileModel(path, model, problem)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), problem.c_str());
        return 1;
    }
    const auto bytes = static_cast<double>(std::filesystem::file_size(path));
    std::printf("peak_mb %.1f file_mb %.1f %s\n", benchfiles::peakMiB(), bytes / kBytesPerMiB,
                path.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const bool peak = argc > 1 && std::strcmp(argv[1], kPeakFlag) == 0;
    const std::vector<std::string> files(argv + 1 + (peak ? 1 : 0), argv + argc);
    if (files.empty()) {
        std::fprintf(stderr, "usage: plyview_big_parse [--peak] FILE... [benchmark flags]\n");
        return kUsageStatus;
    }
    if (peak) {
        return files.size() == 1 ? reportPeak(files[0]) : kUsageStatus;
    }
    for (const std::string& file : files) {
        registerParse(file);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
