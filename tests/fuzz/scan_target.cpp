// Fuzz target: the number readers of the PLY reader against the C library. Every number in the
// input is read twice over, once as a float and once as an integer, and each read must give
// what strtof, or the "%d" rule of an optional sign and decimal digits, gives for the same
// characters: the same result, the same bits and the same end. The readers' fast paths, which
// take short numbers several characters at a time, are the code under test; the C library is
// what they must agree with.
//
// Then the section reader (scan::Stream), which the parser uses, reads the input once more in
// a mix of floats, doubles, integers and groups of four integers that the first byte picks, and
// must give what the one-at-a-time readers give in the same order (for doubles: strtod).
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "invariants.h"
#include "model/scan_stream.h"

namespace {

// ===== Constants =====

constexpr std::size_t kLongestCompared = 63;      // longer runs take the reader's from_chars path
constexpr std::int64_t kIntLimit = 2147483648LL;  // magnitude of INT32_MIN
constexpr int kGroup = 4;                         // integers of one face record
constexpr int kKindBits = 2;                      // bits of the first byte per read
constexpr int kKindsPerByte = CHAR_BIT / kKindBits;  // reads before the pattern repeats

// What one read of the section reader is; the first byte of the input picks them in turn.
enum class ReadKind { kFloat, kInt, kGroup, kDouble };

// ===== What the C library says =====

struct Expected {
    scan::Result result;
    const char* end;       // where the cursor must stand afterwards
    float value;           // for a float read
    std::int32_t integer;  // for an integer read
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The characters strtof may take: digits, letters, point and signs.
bool isNumberChar(char c) {
    return isDigit(c) || c == '.' || c == '+' || c == '-' || (c >= 'a' && c <= 'z') ||
           (c >= 'A' && c <= 'Z');
}

const char* skipBlanks(const char* p, const char* end) {
    while (p < end && isBlank(*p)) {
        ++p;
    }
    return p;
}

// strtof on the run of number characters at p. False when the run is too long to compare.
bool expectedFloat(const char* p, const char* end, Expected& expected) {
    const char* run = p;
    while (run < end && isNumberChar(*run)) {
        ++run;
    }
    const auto length = static_cast<std::size_t>(run - p);
    if (length > kLongestCompared) {
        return false;
    }
    char copy[kLongestCompared + 1];
    std::memcpy(copy, p, length);
    copy[length] = '\0';
    char* stop = nullptr;
    expected.value = std::strtof(copy, &stop);
    expected.result = stop == copy ? scan::Result::kNotANumber : scan::Result::kOk;
    expected.end = p + (stop - copy);
    return true;
}

// An optional sign and decimal digits, within 32 bits.
void expectedInt(const char* p, const char* end, Expected& expected) {
    const char* q = p;
    const bool negative = q < end && *q == '-';
    q += q < end && (*q == '-' || *q == '+');
    if (q == end || !isDigit(*q)) {
        expected.result = scan::Result::kNotANumber;
        expected.end = p;
        return;
    }
    std::int64_t magnitude = 0;
    for (; q < end && isDigit(*q); ++q) {
        magnitude = magnitude * 10 + (*q - '0');
        if (magnitude > kIntLimit) {
            magnitude = kIntLimit + 1;  // saturate: too large either way
        }
    }
    const bool fits = magnitude < kIntLimit || (negative && magnitude == kIntLimit);
    expected.result = fits ? scan::Result::kOk : scan::Result::kTooLarge;
    expected.integer = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    expected.end = q;
}

// ===== Reading and comparing =====

void expectSameOutcome(const char* kind, const char* text, const char* start, scan::Result result,
                       const char* cursor, const Expected& expected) {
    if (result != expected.result || cursor != expected.end) {
        fuzz::broken(
            "%s read at offset %td: result %d ending at %td, the C library gives %d "
            "ending at %td",
            kind, start - text, static_cast<int>(result), cursor - text,
            static_cast<int>(expected.result), expected.end - text);
    }
}

// Past a token that is no number, so that the numbers after it are read too.
const char* skipToken(const char* p, const char* end) {
    while (p < end && !isBlank(*p)) {
        ++p;
    }
    return p;
}

void readAllAsFloats(const char* text, const char* end) {
    const char* p = text;
    for (;;) {
        const char* start = skipBlanks(p, end);
        Expected expected{scan::Result::kEnd, start, 0.0f, 0};
        const bool compared = start == end || expectedFloat(start, end, expected);
        float value = 0.0f;
        const scan::Result result = scan::readFloat(p, end, value);
        if (compared) {
            expectSameOutcome("float", text, start, result, p, expected);
            if (result == scan::Result::kOk &&
                std::memcmp(&value, &expected.value, sizeof value) != 0) {
                fuzz::broken("float read at offset %td: %a, strtof gives %a", start - text,
                             static_cast<double>(value), static_cast<double>(expected.value));
            }
        }
        if (result == scan::Result::kEnd) {
            return;
        }
        if (result != scan::Result::kOk || p == start) {
            p = skipToken(start, end);
        }
    }
}

void readAllAsInts(const char* text, const char* end) {
    const char* p = text;
    for (;;) {
        const char* start = skipBlanks(p, end);
        Expected expected{scan::Result::kEnd, start, 0.0f, 0};
        if (start != end) {
            expectedInt(start, end, expected);
        }
        std::int32_t value = 0;
        const scan::Result result = scan::readInt(p, end, value);
        expectSameOutcome("integer", text, start, result, p, expected);
        if (result == scan::Result::kOk && value != expected.integer) {
            fuzz::broken("integer read at offset %td: %d, the digits give %d", start - text, value,
                         expected.integer);
        }
        if (result == scan::Result::kEnd) {
            return;
        }
        if (result == scan::Result::kNotANumber) {
            p = skipToken(start, end);
        }
    }
}

// ===== The section reader =====

// Both readers' outcome of the same read; false when the reading must stop here, because
// neither reader can step over something that is not a number.
bool sameFloat(scan::Stream& stream, const char*& p, const char* end, int read) {
    float fromStream = 0.0f;
    float alone = 0.0f;
    const scan::Result streamResult = stream.readFloat(fromStream);
    const scan::Result result = scan::readFloat(p, end, alone);
    if (streamResult != result ||
        (result == scan::Result::kOk && std::memcmp(&fromStream, &alone, sizeof alone) != 0)) {
        fuzz::broken(
            "read %d as a float: the section reader gives result %d, %a; readFloat "
            "gives %d, %a",
            read, static_cast<int>(streamResult), static_cast<double>(fromStream),
            static_cast<int>(result), static_cast<double>(alone));
    }
    return result == scan::Result::kOk;
}

bool sameDouble(scan::Stream& stream, const char*& p, const char* end, int read) {
    double fromStream = 0.0;
    double alone = 0.0;
    const scan::Result streamResult = stream.readDouble(fromStream);
    const scan::Result result = scan::readDouble(p, end, alone);
    if (streamResult != result ||
        (result == scan::Result::kOk && std::memcmp(&fromStream, &alone, sizeof alone) != 0)) {
        fuzz::broken(
            "read %d as a double: the section reader gives result %d, %a; readDouble "
            "gives %d, %a",
            read, static_cast<int>(streamResult), fromStream, static_cast<int>(result), alone);
    }
    return result == scan::Result::kOk;
}

bool sameInt(scan::Stream& stream, const char*& p, const char* end, int read) {
    std::int32_t fromStream = 0;
    std::int32_t alone = 0;
    const scan::Result streamResult = stream.readInt(fromStream);
    const scan::Result result = scan::readInt(p, end, alone);
    if (streamResult != result || (result == scan::Result::kOk && fromStream != alone)) {
        fuzz::broken(
            "read %d as an integer: the section reader gives result %d, %d; readInt "
            "gives %d, %d",
            read, static_cast<int>(streamResult), fromStream, static_cast<int>(result), alone);
    }
    return result == scan::Result::kOk || result == scan::Result::kTooLarge;
}

// Four integers at once, as a face record is read, of up to four digits or (every other read)
// up to eight; when the section reader declines, one integer the ordinary way, as the parser
// then does.
bool sameGroup(scan::Stream& stream, const char*& p, const char* end, int read) {
    constexpr int kWideDigits = 8;
    std::int32_t group[kGroup];
    const bool taken = read % 2 == 0 ? stream.readShortInts(group)
                                     : stream.readShortInts<kGroup, kWideDigits>(group);
    if (!taken) {
        return sameInt(stream, p, end, read);
    }
    for (const std::int32_t value : group) {
        std::int32_t alone = 0;
        if (scan::readInt(p, end, alone) != scan::Result::kOk || alone != value) {
            fuzz::broken(
                "read %d as four integers: the section reader gives %d, readInt "
                "does not",
                read, value);
        }
    }
    return true;
}

void readAsSections(const char* text, const char* end, std::uint8_t pattern) {
    scan::Stream stream(text, end);
    const char* p = text;
    for (int read = 0;; ++read) {
        const int shift = kKindBits * (read % kKindsPerByte);
        const auto kind = static_cast<ReadKind>((pattern >> shift) & ((1 << kKindBits) - 1));
        const bool more = kind == ReadKind::kInt      ? sameInt(stream, p, end, read)
                          : kind == ReadKind::kGroup  ? sameGroup(stream, p, end, read)
                          : kind == ReadKind::kDouble ? sameDouble(stream, p, end, read)
                                                      : sameFloat(stream, p, end, read);
        if (!more) {
            return;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    readAllAsFloats(text, text + size);
    readAllAsInts(text, text + size);
    readAsSections(text, text + size, size > 0 ? data[0] : 0);
    return 0;
}
