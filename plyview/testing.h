// Hooks for plyview's tests only: limits lowered so that pieces show at small sizes, what the
// scene holds, and the memory figure read from a tree of the test's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace plyview {

// A splat file's pictures (--png) show its stand-in of this many splats, made at once, instead
// of the file's own splats: the tests compare the two.
constexpr const char* kStandInPictureVariable = "PLYVIEW_TEST_STAND_IN";
// Its value, read once; 0 when it is not set.
std::size_t standInPictureSplats();

// Lowers the bytes one buffer may hold (0: back to the real limit), so that the tests see a
// model split into pieces without a model of gigabytes.
void setBufferLimitForTests(std::uint64_t bytes);

// Lines of the full model the next full frame draws (0 before a model is shown), and whether
// a proxy is ready.
std::uint64_t fullLines();
bool proxyReady();
std::uint64_t framesShown();  // since the viewer started, whatever they showed

// The view was moved by the mouse just now: the proxy is drawn until it settles.
void noteMotion();

// What the cgroup (version 2) the process belongs to leaves of its memory.max, with the
// process's /proc/self/cgroup at `selfCgroup` and the cgroup tree mounted at `root`; the
// largest value when no limit is set.
std::uint64_t cgroupLeft(const std::string& selfCgroup, const std::string& root);

}  // namespace plyview
