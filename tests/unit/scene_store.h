// The whole scene store as the tests see it: every part's list of members with their start-up
// values, walked to put the store back to start-up values and to name the members that are not.
#pragma once

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "input/input.h"

// Every part of the scene store, in include order.
#define SCENE_STORE(VALUE, ARRAY) \
    MODEL_STORE(VALUE, ARRAY)     \
    GPU_STORE(VALUE, ARRAY)       \
    VIEW_STORE(VALUE, ARRAY)      \
    ANIMATION_STORE(VALUE, ARRAY)

namespace scenestore {

template <typename T>
bool sameBytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Element 0 holds `first`, every other element is all zero.
template <typename T, std::size_t N>
bool arrayAtStart(const T (&array)[N], const T& first) {
    const T zero{};
    return sameBytes(array[0], first) &&
           std::all_of(std::begin(array) + 1, std::end(array),
                       [&zero](const T& element) { return sameBytes(element, zero); });
}

template <typename T, std::size_t N>
void restoreArray(T (&array)[N], const T& first) {
    std::fill(std::begin(array), std::end(array), T{});
    array[0] = first;
}

// Every member back to its start-up value.
inline void restoreStartUpValues() {
#define SCENE_RESTORE_VALUE(type, name, start) name = start;
#define SCENE_RESTORE_ARRAY(type, name, capacity, first) restoreArray<type>(name, first);
    SCENE_STORE(SCENE_RESTORE_VALUE, SCENE_RESTORE_ARRAY)
#undef SCENE_RESTORE_VALUE
#undef SCENE_RESTORE_ARRAY
}

// The names of the members that do not hold their start-up value, in list order.
inline std::vector<std::string> membersOffStartUp() {
    std::vector<std::string> off;
#define SCENE_CHECK_VALUE(type, name, start) \
    if (!(name == static_cast<type>(start))) \
        off.push_back(#name);
#define SCENE_CHECK_ARRAY(type, name, capacity, first) \
    if (!arrayAtStart<type>(name, first))              \
        off.push_back(#name);
    SCENE_STORE(SCENE_CHECK_VALUE, SCENE_CHECK_ARRAY)
#undef SCENE_CHECK_VALUE
#undef SCENE_CHECK_ARRAY
    return off;
}

}  // namespace scenestore
