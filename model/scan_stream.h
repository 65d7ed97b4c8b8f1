// Whole sections of numbers scanned from memory: blanks found 64 characters at a time and short
// numbers converted 8 characters at a time, with the same results as the one-at-a-time readers
// of scan.h, which take every form the fast paths do not. Internal to model/.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "model/scan.h"

namespace scan {

// ===== Eight characters at a time =====

namespace swar {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the first character is the low byte");

constexpr int kWidth = 8;  // characters per load
constexpr int kHalfWidth = 4;
constexpr int kByteBits = 8;
constexpr int kPairBits = 16;  // two characters
constexpr int kLaneBits = 32;  // the two 32-bit halves of the eight-digit combination
constexpr std::uint32_t kByteMask = 0xFF;
constexpr std::uint32_t kBase = 10;
constexpr std::uint64_t kZeros = 0x3030303030303030ULL;      // '0' in every byte
constexpr std::uint64_t kDigitBias = 0x7676767676767676ULL;  // lifts 10 and more to 0x80
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::uint64_t kPairLanes = 0x000000FF000000FFULL;  // bytes 0 and 4
constexpr std::uint64_t kHundredsAndMillions = 100 + (1000000ULL << kLaneBits);
constexpr std::uint64_t kOnesAndTenThousands = 1 + (10000ULL << kLaneBits);
constexpr int kFloatSignBit = 31;  // of an IEEE single

// Powers of ten for the fractional digits a fast read can take (at most 10; up to 10^10 they
// are exact floats as well as exact doubles).
constexpr int kMaxFraction = 10;
constexpr std::uint64_t kPow10Int[kMaxFraction + 1] = {
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000, 10000000000};
constexpr double kPow10[kMaxFraction + 1] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5,
                                             1e6, 1e7, 1e8, 1e9, 1e10};
constexpr float kPow10Float[kMaxFraction + 1] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                                 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
constexpr int kMaxExactDigits = 15;  // a mantissa of 15 digits is below 2^53: exact in double
constexpr std::uint64_t kExactInFloat = std::uint64_t{1} << 24;  // integers a float holds exactly

// Eight characters with '0' taken off each: digits become the byte values 0 to 9.
inline std::uint64_t loadDigits(const char* p) {
    std::uint64_t chunk;
    std::memcpy(&chunk, p, sizeof chunk);
    return chunk ^ kZeros;
}

// Four characters with '0' taken off each.
inline std::uint32_t loadFourDigits(const char* p) {
    std::uint32_t chunk;
    std::memcpy(&chunk, p, sizeof chunk);
    return chunk ^ static_cast<std::uint32_t>(kZeros);
}

// How many bytes of `x`, from the first, are digits (0 to 8). A byte above 9 sets its high bit;
// carries only run upwards from such bytes, so the lowest flag is exact.
inline int digitRun(std::uint64_t x) {
    const std::uint64_t flags = ((x + kDigitBias) | x) & kHighBits;
    return flags == 0 ? kWidth : __builtin_ctzll(flags) / kByteBits;
}

// Value of the first n digits of `x`, 1 <= n <= 8: shifted up so that leading zero bytes take
// the place of the missing digits, then combined in pairs, fours and eights.
inline std::uint32_t valueOf(std::uint64_t x, int n) {
    x <<= kByteBits * (kWidth - n);
    x = x * kBase + (x >> kByteBits);  // byte i: digit i * 10 + digit i + 1
    x = ((x & kPairLanes) * kHundredsAndMillions +
         ((x >> kPairBits) & kPairLanes) * kOnesAndTenThousands) >>
        kLaneBits;
    return static_cast<std::uint32_t>(x);
}

// Value of the first n digits of `x`, 1 <= n <= 4, the same way in half the width.
inline std::uint32_t valueOfFour(std::uint32_t x, int n) {
    x <<= kByteBits * (kHalfWidth - n);
    x = x * kBase + (x >> kByteBits);
    return ((x & kByteMask) * kBase * kBase) + ((x >> kPairBits) & kByteMask);
}

// `x` without byte `at` (1 <= at <= 7): the bytes above it move down by one.
inline std::uint64_t dropByte(std::uint64_t x, int at) {
    const std::uint64_t below = x & ((std::uint64_t{1} << (kByteBits * at)) - 1);
    const std::uint64_t above = ((x >> (kByteBits * at)) >> kByteBits) << (kByteBits * at);
    return below | above;
}

// The float nearest m / 10^k, k <= 10, m below 2^53. Below 2^24 both operands are exact floats and
// one float division rounds once. Otherwise m and 10^k are exact in double and the double quotient
// is rounded twice; for k <= 10 the double never lands on a float rounding boundary that the exact
// quotient misses, so the result is the same correctly rounded float.
inline float quotient(std::uint64_t m, int k) {
    if (m < kExactInFloat) {
        return static_cast<float>(m) / kPow10Float[k];
    }
    return static_cast<float>(static_cast<double>(m) / kPow10[k]);
}

// `value` negated when `negative`, without a branch: the sign of a coordinate is as good as
// random. Rounding to nearest is symmetric, so flipping the sign after rounding equals rounding
// the negated value.
inline float withSign(float rounded, bool negative) {
    std::uint32_t bits;
    std::memcpy(&bits, &rounded, sizeof bits);
    bits ^= static_cast<std::uint32_t>(negative) << kFloatSignBit;
    float out;
    std::memcpy(&out, &bits, sizeof out);
    return out;
}

}  // namespace swar

// ===== A whole section of numbers =====

// Reads the numbers of the vertex and face sections in turn. It finds the blanks of 64
// characters at once, so where each number begins and ends comes from bit operations on that
// mask rather than from the digits of the number before it, and the numbers of one window are
// converted independently of each other. Any form but the short plain ones, and the last few
// dozen characters of the text, go through readInt and readFloat with exactly their results.
class Stream {
  public:
    Stream(const char* p, const char* end) : p_(p), end_(end) {}

    Result readInt(std::int32_t& out) {
        const char* begin;
        const char* finish;
        if (nextToken(begin, finish) &&
            (digitsOnly_ ? digitsInt(begin, finish, out) : fastInt(begin, finish, out))) {
            p_ = finish;
            return Result::kOk;
        }
        return fallBack(out, [](const char*& p, const char* end, std::int32_t& value) {
            return scan::readInt(p, end, value);
        });
    }

    Result readFloat(float& out) {
        const char* begin;
        const char* finish;
        if (nextToken(begin, finish) && fastFloat(begin, finish, out)) {
            p_ = finish;
            return Result::kOk;
        }
        return fallBack(out, [](const char*& p, const char* end, float& value) {
            return scan::readFloat(p, end, value);
        });
    }

    // Reads one number in double precision, as "%lf" does.
    Result readDouble(double& out) {
        const char* begin;
        const char* finish;
        if (nextToken(begin, finish) && fastDouble(begin, finish, out)) {
            p_ = finish;
            return Result::kOk;
        }
        return fallBack(out, [](const char*& p, const char* end, double& value) {
            return scan::readDouble(p, end, value);
        });
    }

    // Whether the number just read took its whole token: "1.5" is not read whole as an
    // integer, nor "2x" as a number.
    bool tokenEnded() const { return p_ == end_ || isSpace(*p_); }

    // Goes to the start of the next line: whatever is left on this one is passed over. Blanks
    // alone leave the window as it is.
    void endLine() {
        const char* q = p_;
        while (q < end_ && *q != '\n' && isSpace(*q)) {
            ++q;
        }
        if (q == end_ || *q == '\n') {
            return;  // the next token, if any, starts a new line
        }
        const void* lineEnd = std::memchr(q, '\n', static_cast<std::size_t>(end_ - q));
        p_ = lineEnd != nullptr ? static_cast<const char*>(lineEnd) + 1 : end_;
        starts_ = ends_ = 0;
    }

    // Where the next read starts looking (blanks may stand before its number), and a move of
    // that point: the next read starts a new window.
    const char* cursor() const { return p_; }
    void seek(const char* p) {
        p_ = p;
        starts_ = ends_ = 0;
    }

    // Reads N integers at once when the window holds them as tokens of one to kMaxDigits digits
    // (at most eight), which is what the records of a face section are: four digits number the
    // vertices of a small model, eight those of any model an int32 index can hold in eight
    // digits. Returns false and reads nothing otherwise; readInt then takes them one at a time.
    template <int N, int kMaxDigits = swar::kHalfWidth>
    bool readShortInts(std::int32_t (&out)[N]) {
        static_assert(kMaxDigits >= 1 && kMaxDigits <= swar::kWidth, "one load per number");
        if (!(digitsOnly_ && hasTokens<N>()) && !(refill() && digitsOnly_ && hasTokens<N>())) {
            return false;  // not even in a new window from the cursor
        }
        const char* begins[N];
        long lengths[N];
        std::uint64_t starts = starts_, ends = ends_;
        unsigned long tooLong = 0;  // a length outside 1..4 shows as 4 or more after -1
        for (int k = 0; k < N; ++k) {
            begins[k] = base_ + __builtin_ctzll(starts);
            lengths[k] = __builtin_ctzll(ends) - __builtin_ctzll(starts);
            tooLong |= static_cast<unsigned long>(lengths[k] - 1);
            starts &= starts - 1;
            ends &= ends - 1;
        }
        if (tooLong >= static_cast<unsigned long>(kMaxDigits)) {
            return false;
        }
        // Four digits or fewer, as in most records, in half the width.
        const bool four = kMaxDigits <= swar::kHalfWidth ||
                          tooLong < static_cast<unsigned long>(swar::kHalfWidth);
        for (int k = 0; k < N; ++k) {
            const int length = static_cast<int>(lengths[k]);
            out[k] = static_cast<std::int32_t>(
                four ? swar::valueOfFour(swar::loadFourDigits(begins[k]), length)
                     : swar::valueOf(swar::loadDigits(begins[k]), length));
        }
        p_ = begins[N - 1] + lengths[N - 1];
        starts_ = starts;
        ends_ = ends;
        return true;
    }

  private:
    static constexpr long kWindow = 64;  // characters whose blanks one mask holds
    // A window is used only when every token that ends in it can be loaded eight characters at
    // a time (sign, digits, point, more digits) without passing the end of the text.
    static constexpr long kWindowNeed = kWindow + 3 * swar::kWidth;
    static constexpr int kMaxWholeDigits = swar::kWidth - 1;        // so the point is in the load
    static constexpr long kMaxFractionDigits = swar::kMaxFraction;  // the second 8 in a 2nd load

    // Where the blanks of the 64 characters from p are (bit i: p[i] is a blank), and whether
    // every other character is a decimal digit.
    struct Window {
        std::uint64_t blanks;
        bool digitsOnly;
    };
    static Window classify(const char* p);

    // Begin and end of the next token that ends inside the window; false when the window has
    // none (a long token, all blanks, or the end of the text is near).
    bool nextToken(const char*& begin, const char*& finish) {
        if (ends_ == 0 && !refill()) {
            return false;
        }
        begin = base_ + __builtin_ctzll(starts_);
        finish = base_ + __builtin_ctzll(ends_);
        starts_ &= starts_ - 1;
        ends_ &= ends_ - 1;
        return true;
    }

    // Whether the window still holds N whole tokens.
    template <int N>
    bool hasTokens() const {
        std::uint64_t ends = ends_;
        for (int k = 1; k < N; ++k) {
            ends &= ends - 1;
        }
        return ends != 0;
    }

    // A new window from the cursor on. Token starts are non-blanks after a blank (or at the
    // cursor); token ends are blanks after a non-blank. The k-th end closes the k-th start.
    bool refill() {
        if (end_ - p_ < kWindowNeed) {
            return false;
        }
        base_ = p_;
        const Window window = classify(base_);
        const std::uint64_t blanks = window.blanks;
        digitsOnly_ = window.digitsOnly;
        starts_ = ~blanks & ((blanks << 1) | 1);
        ends_ = blanks & (~blanks << 1);
        return ends_ != 0;
    }

    // A read by the one-at-a-time readers, from the cursor. Afterwards the cursor may stand
    // anywhere, so the next read starts a new window. The cursor goes through a copy: a member
    // whose address escaped could no longer stay in a register on the fast path.
    template <typename T, typename Reader>
    Result fallBack(T& out, Reader read) {
        const char* p = p_;
        const Result result = read(p, end_, out);
        p_ = p;
        starts_ = ends_ = 0;
        return result;
    }

    // An optional sign: moves past it and says whether it was '-'.
    static bool takeSign(const char*& q) {
        const bool negative = *q == '-';
        q += negative || *q == '+';
        return negative;
    }

    // A token of a window that holds only digits and blanks: 1 to 8 digits need no checking.
    static bool digitsInt(const char* begin, const char* finish, std::int32_t& out) {
        const long digits = finish - begin;
        if (digits < 1) {
            return false;
        }
        if (digits <= swar::kHalfWidth) {
            out = static_cast<std::int32_t>(
                swar::valueOfFour(swar::loadFourDigits(begin), static_cast<int>(digits)));
            return true;
        }
        if (digits <= swar::kWidth) {
            out = static_cast<std::int32_t>(
                swar::valueOf(swar::loadDigits(begin), static_cast<int>(digits)));
            return true;
        }
        return false;
    }

    // [sign] 1 to 8 digits. Up to four digits, the common case of a face index, take the
    // cheaper four-byte combination.
    static bool fastInt(const char* begin, const char* finish, std::int32_t& out) {
        const char* q = begin;
        const bool negative = takeSign(q);
        const long digits = finish - q;
        const std::uint64_t x = swar::loadDigits(q);
        if (digits < 1 || digits > swar::kWidth || swar::digitRun(x) < digits) {
            return false;
        }
        const int n = static_cast<int>(digits);
        const auto value = static_cast<std::int32_t>(
            n <= swar::kHalfWidth ? swar::valueOfFour(static_cast<std::uint32_t>(x), n)
                                  : swar::valueOf(x, n));
        out = negative ? -value : value;
        return true;
    }

    // Splits a short decimal into its sign, its digits as one integer m and the count k of
    // fraction digits (the value is m / 10^k); false for any form the fast paths do not take.
    static bool decimalParts(const char* begin, const char* finish, bool& negative,
                             std::uint64_t& mantissa, long& fractionDigits) {
        const char* q = begin;
        negative = takeSign(q);
        const long length = finish - q;
        if (length < 1) {
            return false;
        }
        return length <= swar::kWidth ? shortDecimal(q, length, mantissa, fractionDigits)
                                      : longDecimal(q, length, mantissa, fractionDigits);
    }

    // [sign] digits [point [digits]], in at most 8 characters after the sign; otherwise up to 7
    // digits, point, up to 10 digits, 15 digits in all: m / 10^k with m below 10^15 and k at
    // most 10, which quotient() rounds exactly as strtof does.
    static bool fastFloat(const char* begin, const char* finish, float& out) {
        bool negative;
        std::uint64_t mantissa;
        long fractionDigits;
        if (!decimalParts(begin, finish, negative, mantissa, fractionDigits)) {
            return false;
        }
        out = swar::withSign(swar::quotient(mantissa, static_cast<int>(fractionDigits)), negative);
        return true;
    }

    // The same short forms as fastFloat, rounded once to double: m below 10^14 and 10^k are
    // exact in double, so the one division rounds correctly.
    static bool fastDouble(const char* begin, const char* finish, double& out) {
        bool negative;
        std::uint64_t mantissa;
        long fractionDigits;
        if (!decimalParts(begin, finish, negative, mantissa, fractionDigits)) {
            return false;
        }
        const double value = static_cast<double>(mantissa) / swar::kPow10[fractionDigits];
        out = negative ? -value : value;
        return true;
    }

    // All of it in one load: the point is dropped and the digits on both sides are combined
    // in one go.
    static bool shortDecimal(const char* q, long length, std::uint64_t& mantissa,
                             long& fractionDigits) {
        const std::uint64_t x = swar::loadDigits(q);
        const int point = swar::digitRun(x);
        if (point == length) {  // digits only; length >= 1, so at least one
            fractionDigits = 0;
            mantissa = swar::valueOf(x, point);
            return true;
        }
        const long digits = length - 1;
        if (point == 0 || q[point] != '.') {
            return false;
        }
        const std::uint64_t joined = swar::dropByte(x, point);
        if (swar::digitRun(joined) < digits) {
            return false;
        }
        fractionDigits = digits - point;
        mantissa = swar::valueOf(joined, static_cast<int>(digits));
        return true;
    }

    // Longer: the whole part and the fraction each from their own load.
    static bool longDecimal(const char* q, long length, std::uint64_t& mantissa,
                            long& fractionDigits) {
        const std::uint64_t whole = swar::loadDigits(q);
        const int point = swar::digitRun(whole);
        fractionDigits = length - point - 1;
        if (point < 1 || point > kMaxWholeDigits || q[point] != '.' || fractionDigits < 1 ||
            fractionDigits > kMaxFractionDigits || point + fractionDigits > swar::kMaxExactDigits) {
            return false;
        }
        const std::uint64_t fraction = swar::loadDigits(q + point + 1);
        const int first = static_cast<int>(std::min<long>(fractionDigits, swar::kWidth));
        if (swar::digitRun(fraction) < first) {
            return false;
        }
        std::uint64_t digits = swar::valueOf(fraction, first);
        if (fractionDigits > swar::kWidth) {  // the rest from a second load
            const int rest = static_cast<int>(fractionDigits) - swar::kWidth;
            const std::uint64_t more = swar::loadDigits(q + point + 1 + swar::kWidth);
            if (swar::digitRun(more) < rest) {
                return false;
            }
            digits = digits * swar::kPow10Int[rest] + swar::valueOf(more, rest);
        }
        mantissa = swar::valueOf(whole, point) * swar::kPow10Int[fractionDigits] + digits;
        return true;
    }

    const char* p_;               // everything before it has been read
    const char* end_;             // end of the text
    const char* base_ = nullptr;  // first character of the window
    std::uint64_t starts_ = 0;    // token starts in the window not read yet
    std::uint64_t ends_ = 0;      // their ends; 0 when no whole token is left
    bool digitsOnly_ = false;     // the window holds nothing but digits and blanks
};

// ===== Classifying a window =====

#if defined(__SSE2__)
inline Stream::Window Stream::classify(const char* p) {
    constexpr int kLanes = 16;         // characters per SSE2 register
    constexpr int kLaneMask = 0xFFFF;  // one mask bit per character
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i belowTab = _mm_set1_epi8('\t' - 1);
    const __m128i aboveReturn = _mm_set1_epi8('\r' + 1);
    const __m128i belowZero = _mm_set1_epi8('0' - 1);
    const __m128i aboveNine = _mm_set1_epi8('9' + 1);
    std::uint64_t blanks = 0;
    int others = 0;
    for (int lane = 0; lane < kWindow; lane += kLanes) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + lane));
        // Tab to carriage return are the control characters 9 to 13; bytes above 127 compare
        // as negative and are neither blanks nor digits.
        const __m128i control =
            _mm_and_si128(_mm_cmpgt_epi8(v, belowTab), _mm_cmplt_epi8(v, aboveReturn));
        const __m128i blank = _mm_or_si128(_mm_cmpeq_epi8(v, space), control);
        const __m128i digit =
            _mm_and_si128(_mm_cmpgt_epi8(v, belowZero), _mm_cmplt_epi8(v, aboveNine));
        const int blankBits = _mm_movemask_epi8(blank);
        blanks |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(blankBits)) << lane;
        others |= ~(blankBits | _mm_movemask_epi8(digit)) & kLaneMask;
    }
    return Window{blanks, others == 0};
}
#else
inline Stream::Window Stream::classify(const char* p) {
    std::uint64_t blanks = 0;
    bool digitsOnly = true;
    for (int i = 0; i < kWindow; ++i) {
        const bool blank = isSpace(p[i]);
        blanks |= static_cast<std::uint64_t>(blank) << i;
        digitsOnly = digitsOnly && (blank || (p[i] >= '0' && p[i] <= '9'));
    }
    return Window{blanks, digitsOnly};
}
#endif

}  // namespace scan
