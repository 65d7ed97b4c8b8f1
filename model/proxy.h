// A light stand-in for a large model, drawn while it moves.
#pragma once

#include <atomic>
#include <cstddef>

#include "model/file_model.h"

// ===== A light stand-in while the model moves =====

constexpr std::size_t kProxyFromTriangles = 200000;  // more triangles than this get a proxy
constexpr std::size_t kProxyFromPoints = 1000000;    // a point cloud of more points than this
constexpr std::size_t kProxyTriangles = 50000;       // what a proxy aims at
constexpr std::size_t kProxyPoints = 200000;

// The box, centre, notes and image names of `model` given to a stand-in made from it.
void copyFrame(const FileModel& model, FileModel& proxy);

// Whether a model is large enough to be drawn from a proxy while it moves.
bool needsProxy(const FileModel& model);

// A simplified copy of `model` to draw while it moves: its triangles simplified with the
// sloppy simplifier (a point cloud thinned), the vertices they use in order of first use with
// their normals, colours, texture coordinates and measured values (what faces carry, colours,
// texture coordinates by corner and measured values, goes to each vertex from the first triangle
// that uses it), each triangle's image that of the first triangle around its first corner, the
// box, centre and image names of the model. False
// when `cancel` was set before it was done; `proxy` is then unspecified. Reads `model` only, so it
// may run on another thread while the model is shown. `triangles` is about how many triangles it
// keeps.
bool buildProxy(const FileModel& model, FileModel& proxy, const std::atomic<bool>& cancel,
                std::size_t triangles = kProxyTriangles);
