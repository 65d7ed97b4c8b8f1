// Number scanning from memory with the same results as the C library's "%d" and "%f"
// conversions on the same text. Internal to model/.
#pragma once

#include <cstdint>

namespace scan {

enum class Result {
    kOk,          // a number was read and the cursor moved past it
    kEnd,         // only whitespace was left
    kNotANumber,  // the next item is not a number; the cursor stands on it
    kTooLarge,    // an integer outside the 32-bit range
};

// ===== One number at a time =====

// Space, tab, line feed, vertical tab, form feed, carriage return: what "%d" and "%f" skip.
inline bool isSpace(char c) {
    return c == ' ' ||
           static_cast<unsigned char>(c - '\t') <= static_cast<unsigned char>('\r' - '\t');
}

// Moves `p` past spaces, tabs and line breaks of either style.
inline void skipSpace(const char*& p, const char* end) {
    while (p < end && isSpace(*p)) {
        ++p;
    }
}

// Reads one decimal integer with optional sign, as "%d" does.
Result readInt(const char*& p, const char* end, std::int32_t& out);

// Reads one floating-point number as "%f" does: decimal with optional sign, fraction and
// exponent, hexadecimal, infinity and nan. Short decimals take an exact fast path.
Result readFloat(const char*& p, const char* end, float& out);

// Reads one floating-point number in double precision as "%lf" does.
Result readDouble(const char*& p, const char* end, double& out);

}  // namespace scan
