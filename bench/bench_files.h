// Files the benchmarks work on: whole models, and scratch copies of a model whose content differs
// between two files of equal size.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>

#include "model/model.h"

namespace benchfiles {

// A buffer for the bare read of a file of `size` bytes: page-aligned, the kindest place for the
// kernel's copy, a whole number of pages (as aligned_alloc wants) with room for one byte more.
class PageBuffer {
  public:
    explicit PageBuffer(std::size_t size);
    char* data() const { return bytes_.get(); }
    std::size_t capacity() const { return capacity_; }

  private:
    struct Free {
        void operator()(char* p) const { std::free(p); }
    };
    std::size_t capacity_;
    std::unique_ptr<char, Free> bytes_;
};

// open + read to the end + close into `buffer`: no reader can see the bytes of a file for less.
void readBare(const std::string& path, PageBuffer& buffer);

// The whole file, or an empty string when it cannot be read.
std::string readAll(const std::string& path);

// A pair of scratch files of equal size: the model itself and a copy whose last vertex differs
// in one digit, so a loader alternating between them has to parse every time.
struct ChangingPair {
    std::string folder;
    std::string first;
    std::string second;
};

// Creates the pair for `model` in a scratch folder; returns false when the model has no vertex
// line to change.
bool makeChangingPair(const std::string& model, ChangingPair& pair);

// Deletes the pair and its scratch folder.
void removeChangingPair(const ChangingPair& pair);

// The process's peak resident memory in MiB (VmHWM), since the start or the last reset of it.
double peakMiB();

// Parses `text` from memory into arrays of the benchmarks' own (not the scene store).
bool parseText(const std::string& text, PlyError& error);

// The benchmark loop of an in-memory parse: one parse of `text` per iteration; a text that
// does not parse ends the benchmark with the reader's message.
void parseEveryIteration(benchmark::State& state, const std::string& text);

}  // namespace benchfiles
