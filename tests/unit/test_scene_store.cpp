// The scene store as the program starts: the values its lists give each member are the viewer's
// start-up values, and a freshly started program holds exactly those (other tests change the store,
// so that check runs in a new copy of the test program, where every value is the static
// initialisation's).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "unit/scene_store.h"

namespace {

// A start-up value as numbers: one for a scalar, one per component for an array element.
std::vector<double> components(double value) {
    return {value};
}
std::vector<double> components(const Vec4& v) {
    return {v.x, v.y, v.z, v.w};
}
std::vector<double> components(const FaceIndices& f) {
    return {static_cast<double>(f.v1), static_cast<double>(f.v2), static_cast<double>(f.v3)};
}

// The viewer's start-up values that are not zero (for an array, its element 0); every other
// member starts at zero.
const std::map<std::string, std::vector<double>> kNonZeroAtStartUp = {
    {"windowWidth", {512}},  {"windowHeight", {512}},  {"pulseStep", {1}},
    {"colorLocation", {-1}}, {"colors", {0, 1, 0, 1}},  // colors[0] green
};

TEST(SceneStore, CapacitiesAndSizes) {
    EXPECT_EQ(sizeof vertices, 160000u);
    EXPECT_EQ(sizeof faces, 240000u);
    EXPECT_EQ(sizeof points, 960000u);
    EXPECT_EQ(sizeof colors, 960000u);
    EXPECT_EQ(sizeof faceNormals, 320000u);
    EXPECT_EQ(sizeof normalLines, 640000u);
    EXPECT_EQ(sizeof boxLines, 256u);
    EXPECT_EQ(sizeof modelFiles, 860u);
}

TEST(SceneStore, ListsTheViewersStartUpValues) {
    std::map<std::string, std::vector<double>> listed;
#define LISTED_VALUE(type, name, start) listed[#name] = components(static_cast<type>(start));
#define LISTED_ARRAY(type, name, capacity, first) listed[#name] = components(first);
    SCENE_STORE(LISTED_VALUE, LISTED_ARRAY)
#undef LISTED_VALUE
#undef LISTED_ARRAY
    for (const auto& [name, values] : listed) {
        const auto known = kNonZeroAtStartUp.find(name);
        EXPECT_EQ(values, known != kNonZeroAtStartUp.end() ? known->second
                                                           : std::vector<double>(values.size()))
            << name;
    }
    for (const auto& nonZero : kNonZeroAtStartUp) {
        EXPECT_EQ(listed.count(nonZero.first), 1u) << nonZero.first;
    }
}

TEST(SceneStore, StartsWithItsInitialValues) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, not a fork of this one
    EXPECT_EXIT(
        {
            std::string wrong;
            for (const std::string& name : scenestore::membersOffStartUp()) wrong += name + "\n";
            std::fputs(wrong.c_str(), stderr);
            std::exit(wrong.empty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "^$");
}

}  // namespace
