// Files the benchmarks work on: whole models, and scratch copies of a model whose content differs
// between two files of equal size.
#pragma once

#include <string>

namespace benchfiles {

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

}  // namespace benchfiles
