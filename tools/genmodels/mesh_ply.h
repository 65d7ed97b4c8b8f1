// From mesh to catalogue file: the checks a model must pass before it is written, and the
// ASCII PLY text in the subset the viewer reads.
#pragma once

#include <string>

#include "tools/genmodels/mesh.h"

namespace mesh {

// Coordinates are written in steps of 1/kCoordinateSteps (four decimals at most).
constexpr long long kCoordinateSteps = 10000;

// Checks what the viewer relies on: no fault recorded while building, within capacity, at
// least one triangle, every index in range, no triangle of (nearly) zero area after rounding
// to the written decimals, coordinates of a sane size and a real extent on every axis.
// Returns an empty string or the problem.
std::string findProblem(const Mesh& m);

// The whole file: header, one "x y z" line per vertex, one "3 a b c" line per triangle.
std::string plyText(const Mesh& m, const std::string& modelName);

// Writes `text` to `path`; returns an empty string or what went wrong.
std::string writeFile(const std::string& path, const std::string& text);

}  // namespace mesh
