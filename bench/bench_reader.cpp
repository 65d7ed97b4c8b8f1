// Reading a model: the per-token reference loop against the viewer's reader, for an unchanged
// file (every frame), for content that changes between reads, and against the floor of merely
// opening and reading the file. All on one model at a time, side by side in one run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_files.h"
#include "model/model.h"
#include "support/reference_reader.h"

namespace {

// ===== Shared set-up =====

ReferenceModel referenceModel;  // output of the reference reader; too large for the stack

const char* modelName(int index) {
    return modelFiles[index];
}

void countBytes(benchmark::State& state, std::size_t fileBytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(fileBytes));
}

bool parses(const std::string& text) {
    PlyError error;
    return benchfiles::parseText(text, error);
}

std::size_t sizeOf(const char* path) {
    return benchfiles::readAll(path).size();
}

// ===== Baseline and floor =====

void BM_Reference(benchmark::State& state, int index) {
    for (auto _ : state) {
        if (!referenceRead(modelName(index), referenceModel)) {
            state.SkipWithError("reference reader refused the model");
            break;
        }
        benchmark::DoNotOptimize(referenceModel.vertices[0]);
    }
    countBytes(state, sizeOf(modelName(index)));
}

// open + read to the end + close into a buffer that is already large enough: no reader can
// see the bytes of a file for less.
void BM_BareRead(benchmark::State& state, int index) {
    const std::size_t size = sizeOf(modelName(index));
    benchfiles::PageBuffer buffer(size);
    for (auto _ : state) {
        benchfiles::readBare(modelName(index), buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
    countBytes(state, size);
}

// ===== The viewer's reader =====

// The every-frame case: the file has not changed since the last good parse.
void BM_LoadUnchanged(benchmark::State& state, int index) {
    loadModel(index);
    for (auto _ : state) {
        loadModel(index);
        benchmark::DoNotOptimize(vertices[0]);
    }
    countBytes(state, sizeOf(modelName(index)));
}

// Two files of equal size that differ in the last vertex, read in turn: every read is compared,
// found changed and parsed in full into the store.
void BM_LoadChangedAlternating(benchmark::State& state, int index) {
    benchfiles::ChangingPair pair;
    if (!benchfiles::makeChangingPair(modelName(index), pair) ||
        !parses(benchfiles::readAll(pair.first)) || !parses(benchfiles::readAll(pair.second))) {
        state.SkipWithError("cannot make a changing pair of valid models");
        return;
    }
    bool second = false;
    for (auto _ : state) {
        loadModelFile(second ? pair.second.c_str() : pair.first.c_str(), index);
        second = !second;
        benchmark::DoNotOptimize(vertices[0]);
    }
    countBytes(state, sizeOf(pair.first.c_str()));
    benchfiles::removeChangingPair(pair);
    forgetLoadedModel();
}

// The same file read after the reader was told to forget it: read and parse, no comparison hit.
void BM_LoadAfterForget(benchmark::State& state, int index) {
    for (auto _ : state) {
        forgetLoadedModel();
        loadModel(index);
        benchmark::DoNotOptimize(vertices[0]);
    }
    countBytes(state, sizeOf(modelName(index)));
}

// The parse alone, from bytes already in memory.
void BM_ParsePlyMemory(benchmark::State& state, int index) {
    const std::string text = benchfiles::readAll(modelName(index));
    benchfiles::parseEveryIteration(state, text);
    countBytes(state, text.size());
}

}  // namespace

// ===== Registrations: the big model and the first model =====

BENCHMARK_CAPTURE(BM_Reference, big_atc, kLastModel)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LoadUnchanged, big_atc, kLastModel)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LoadChangedAlternating, big_atc, kLastModel)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LoadAfterForget, big_atc, kLastModel)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ParsePlyMemory, big_atc, kLastModel)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_BareRead, big_atc, kLastModel)->Unit(benchmark::kMicrosecond);

BENCHMARK_CAPTURE(BM_Reference, airplane, kFirstModel)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LoadUnchanged, airplane, kFirstModel)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LoadChangedAlternating, airplane, kFirstModel)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LoadAfterForget, airplane, kFirstModel)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ParsePlyMemory, airplane, kFirstModel)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_BareRead, airplane, kFirstModel)->Unit(benchmark::kMicrosecond);
