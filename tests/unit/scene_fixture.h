// Shared set-up for tests that drive the scene store and the fake GL: a store reset to its
// start-up values, small PLY files written into a temporary working folder, and a way to look
// at what a death test's child printed and called before it exited.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "fake_gl/fake_gl.h"
#include "input/input.h"
#include "temp_folder.h"
#include "unit/scene_store.h"

// Every member of the scene store back to its start-up value, the reader's memory of the last
// file dropped and the fake GL's record cleared.
inline void resetScene() {
    scenestore::restoreStartUpValues();
    forgetLoadedModel();
    fakegl::reset();
}

class SceneTest : public ::testing::Test {
  protected:
    void SetUp() override { resetScene(); }
    void TearDown() override { resetScene(); }
};

// An ASCII PLY file with the given vertices (x, y, z) and triangles.
inline std::string plyText(const std::vector<Vec4>& verts, const std::vector<FaceIndices>& tris) {
    std::ostringstream out;
    out.precision(9);
    out << "ply\nformat ascii 1.0\nelement vertex " << verts.size()
        << "\nproperty float x\nproperty float y\nproperty float z\nelement face " << tris.size()
        << "\nproperty list uchar int vertex_indices\nend_header\n";
    for (const Vec4& v : verts) out << v.x << ' ' << v.y << ' ' << v.z << '\n';
    for (const FaceIndices& f : tris) out << "3 " << f.v1 << ' ' << f.v2 << ' ' << f.v3 << '\n';
    return out.str();
}

// A GL call as a test expects it: the name and the integer arguments the fake recorded.
struct ExpectedCall {
    std::string name;
    std::vector<long long> args;
};

// The recorded calls from index `first` on begin with exactly these, in this order.
inline void expectCalls(const std::vector<ExpectedCall>& expected, std::size_t first = 0) {
    const std::vector<fakegl::Call>& calls = fakegl::calls;
    ASSERT_GE(calls.size(), first + expected.size()) << ::testing::PrintToString(fakegl::names());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const fakegl::Call& c = calls[first + i];
        EXPECT_EQ(c.name, expected[i].name) << "call " << first + i;
        EXPECT_EQ(c.args, expected[i].args) << "call " << first + i << " " << c.name;
    }
}

// Death tests: call captureChildOutput() first inside the statement of EXPECT_EXIT. The child
// then writes its standard output into a file of the working folder and lists the GL calls it
// made when it exits; after EXPECT_EXIT the parent reads both with childStdout/childCalls.
constexpr const char* kChildStdoutFile = "child_stdout.txt";
constexpr const char* kChildCallsFile = "child_calls.txt";

inline void captureChildOutput() {
    if (std::freopen(kChildStdoutFile, "w", stdout) == nullptr)
        std::abort();
    std::atexit([] {
        std::ofstream out(kChildCallsFile);
        for (const std::string& name : fakegl::names()) out << name << '\n';
    });
}

inline std::string childStdout() {
    std::ifstream in(kChildStdoutFile);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<std::string> childCalls() {
    std::ifstream in(kChildCallsFile);
    std::vector<std::string> names;
    for (std::string line; std::getline(in, line);) names.push_back(line);
    return names;
}
