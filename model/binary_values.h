// Values of a PLY body (binary ones in the file's byte order, list items as vertex numbers), as the
// readers and the facts' walk take them. Internal to model/.
#pragma once

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "model/ply_format.h"

namespace ply {

constexpr std::int64_t kStripRestart = -1;          // in a strip: the next index starts a new strip
constexpr double kIndexLimit = 9007199254740992.0;  // 2^53: whole doubles below are exact
constexpr std::int64_t kNotAnIndex = INT64_MIN;     // a list item that is not a whole number

// A list item as a vertex number, or kNotAnIndex.
inline std::int64_t wholeIndex(double item) {
    return item == std::floor(item) && std::fabs(item) < kIndexLimit
               ? static_cast<std::int64_t>(item)
               : kNotAnIndex;
}

template <typename T>
inline T loadBits(const char* p, bool swap) {
    T value;
    std::memcpy(&value, p, sizeof value);
    if (swap) {
        if constexpr (sizeof(T) == 2) {
            value = __builtin_bswap16(value);
        } else if constexpr (sizeof(T) == 4) {
            value = __builtin_bswap32(value);
        } else if constexpr (sizeof(T) == 8) {
            value = __builtin_bswap64(value);
        }
    }
    return value;
}

template <typename F, typename Bits>
inline F loadFloat(const char* p, bool swap) {
    const Bits bits = loadBits<Bits>(p, swap);
    F value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// An integer-typed value.
inline std::int64_t binaryInteger(const char* p, Type type, bool swap) {
    switch (type) {
        case Type::kInt8:
            return static_cast<std::int8_t>(*p);
        case Type::kUint8:
            return static_cast<std::uint8_t>(*p);
        case Type::kInt16:
            return static_cast<std::int16_t>(loadBits<std::uint16_t>(p, swap));
        case Type::kUint16:
            return loadBits<std::uint16_t>(p, swap);
        case Type::kInt32:
            return static_cast<std::int32_t>(loadBits<std::uint32_t>(p, swap));
        default:
            return loadBits<std::uint32_t>(p, swap);
    }
}

// Any value, as a double (exact for every type).
__attribute__((always_inline)) inline double binaryNumber(const char* p, Type type, bool swap) {
    if (type == Type::kFloat32) {
        return loadFloat<float, std::uint32_t>(p, swap);
    }
    if (type == Type::kFloat64) {
        return loadFloat<double, std::uint64_t>(p, swap);
    }
    return static_cast<double>(binaryInteger(p, type, swap));
}

}  // namespace ply
