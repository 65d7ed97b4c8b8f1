// Number scanning that matches "%d" and "%f" bit for bit, without the C library's per-call
// locking and stream overhead.
#include "model/scan.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace scan {
namespace {

constexpr int kFastMaxDigits = 15;  // significant digits the fast path multiplies exactly
constexpr int kFastMaxNegPow = 10;  // largest k for m / 10^k: no double-rounding error
constexpr int kFastMaxPosPow = 22;  // 10^22 is the largest exact power of ten in a double
constexpr double kExactIntLimit = 9007199254740992.0;  // 2^53
constexpr int kFallbackChars = 64;                     // longest special form copied for strtof
constexpr std::int64_t kIntLimit = 2147483648LL;       // magnitude of INT32_MIN

constexpr double kPow10[kFastMaxPosPow + 1] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isFloatChar(char c) {
    return isDigit(c) || c == '.' || c == '+' || c == '-' || (c >= 'a' && c <= 'z') ||
           (c >= 'A' && c <= 'Z');
}

// The C library's conversion for each width, as "%f" and "%lf" use it.
float toNumber(const char* text, char** stop, float) {
    return std::strtof(text, stop);
}
double toNumber(const char* text, char** stop, double) {
    return std::strtod(text, stop);
}

// Any form that the fast path does not cover: hexadecimal, inf, nan, very long digit runs.
// strtof and strtod read these exactly as "%f" and "%lf" do, on a copy that ends the run.
template <typename T>
Result readSlow(const char*& p, const char* end, T& out) {
    const char* run = p;
    while (run < end && isFloatChar(*run)) {
        ++run;
    }
    const std::size_t length = static_cast<std::size_t>(run - p);
    if (length < kFallbackChars) {
        char copy[kFallbackChars];
        std::memcpy(copy, p, length);
        copy[length] = '\0';
        char* stop = nullptr;
        out = toNumber(copy, &stop, T{});
        if (stop == copy) {
            return Result::kNotANumber;
        }
        p += stop - copy;
        return Result::kOk;
    }
    // A run too long for the copy on the stack: the same conversion on a copy of its own.
    const std::string longRun(p, run);
    char* stop = nullptr;
    out = toNumber(longRun.c_str(), &stop, T{});
    if (stop == longRun.c_str()) {
        return Result::kNotANumber;
    }
    p += stop - longRun.c_str();
    return Result::kOk;
}

}  // namespace

Result readInt(const char*& p, const char* end, std::int32_t& out) {
    skipSpace(p, end);
    if (p == end) {
        return Result::kEnd;
    }
    const char* q = p;
    bool negative = false;
    if (*q == '+' || *q == '-') {
        negative = *q == '-';
        ++q;
    }
    if (q == end || !isDigit(*q)) {
        return Result::kNotANumber;
    }
    std::int64_t value = 0;
    bool tooLarge = false;
    for (; q < end && isDigit(*q); ++q) {
        value = value * 10 + (*q - '0');
        if (value > kIntLimit) {
            tooLarge = true;
            value = kIntLimit;  // keep reading the digits, but stop growing
        }
    }
    if (tooLarge || (!negative && value == kIntLimit)) {
        p = q;
        return Result::kTooLarge;
    }
    out = static_cast<std::int32_t>(negative ? -value : value);
    p = q;
    return Result::kOk;
}

Result readFloat(const char*& p, const char* end, float& out) {
    skipSpace(p, end);
    if (p == end) {
        return Result::kEnd;
    }
    const char* q = p;
    const bool negative = *q == '-';
    if (*q == '+' || *q == '-') {
        ++q;
    }
    std::uint64_t mantissa = 0;
    int digits = 0;    // significant digits taken into the mantissa
    int exponent = 0;  // decimal exponent of the mantissa's last digit
    bool anyDigit = false;
    const char* intStart = q;
    for (; q < end && isDigit(*q); ++q) {
        anyDigit = true;
        if (mantissa != 0 || *q != '0') {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*q - '0');
            ++digits;
        }
        if (digits > kFastMaxDigits) {
            return readSlow(p, end, out);
        }
    }
    if (q < end && (*q == 'x' || *q == 'X') && q - intStart == 1 && *intStart == '0') {
        return readSlow(p, end, out);  // hexadecimal
    }
    if (q < end && *q == '.') {
        ++q;
        for (; q < end && isDigit(*q); ++q) {
            anyDigit = true;
            if (mantissa != 0 || *q != '0') {
                mantissa = mantissa * 10 + static_cast<std::uint64_t>(*q - '0');
                ++digits;
            }
            --exponent;
            if (digits > kFastMaxDigits) {
                return readSlow(p, end, out);
            }
        }
    }
    if (!anyDigit) {
        return readSlow(p, end, out);  // inf, nan, or not a number at all
    }
    if (q < end && (*q == 'e' || *q == 'E')) {
        const char* e = q + 1;
        bool expNegative = false;
        if (e < end && (*e == '+' || *e == '-')) {
            expNegative = *e == '-';
            ++e;
        }
        if (e < end && isDigit(*e)) {
            int value = 0;
            for (; e < end && isDigit(*e); ++e) {
                if (value > 10000) {
                    return readSlow(p, end, out);
                }
                value = value * 10 + (*e - '0');
            }
            exponent += expNegative ? -value : value;
            q = e;
        } else {
            return readSlow(p, end, out);  // "1e" or "1e+": leave the odd forms to strtof
        }
    }
    double value;
    if (mantissa == 0) {
        value = 0.0;
    } else if (exponent >= 0 && exponent <= kFastMaxPosPow &&
               static_cast<double>(mantissa) * kPow10[exponent] < kExactIntLimit) {
        value = static_cast<double>(mantissa) * kPow10[exponent];  // exact
    } else if (exponent < 0 && exponent >= -kFastMaxNegPow) {
        // Both operands are exact and the quotient is rounded once; for these magnitudes the
        // double result never sits on a float rounding boundary the exact value does not.
        value = static_cast<double>(mantissa) / kPow10[-exponent];
    } else {
        return readSlow(p, end, out);
    }
    out = static_cast<float>(negative ? -value : value);
    p = q;
    return Result::kOk;
}

}  // namespace scan

namespace scan {

Result readDouble(const char*& p, const char* end, double& out) {
    skipSpace(p, end);
    if (p == end) {
        return Result::kEnd;
    }
    return readSlow(p, end, out);
}

}  // namespace scan
