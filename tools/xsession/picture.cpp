// Measurements on captured pictures: colour classes, where a class lies, how two pictures
// differ. The viewer draws pure colours without smoothing, so coarse thresholds suffice.
#include <algorithm>

#include "tools/xsession/xsession.h"

namespace xsession {

namespace {

constexpr int kStrong = 160;      // a channel that carries the colour
constexpr int kWeak = 96;         // a channel that does not
constexpr int kWhiteFloor = 230;  // every channel of the white background

bool strong(int channel) {
    return channel >= kStrong;
}
bool weak(int channel) {
    return channel <= kWeak;
}

}  // namespace

Colour classify(const std::uint8_t* rgb) {
    const int r = rgb[0], g = rgb[1], b = rgb[2];
    if (r >= kWhiteFloor && g >= kWhiteFloor && b >= kWhiteFloor) {
        return Colour::kWhite;
    }
    if (strong(g) && weak(r) && weak(b)) {
        return Colour::kGreen;
    }
    if (strong(r) && weak(g) && weak(b)) {
        return Colour::kRed;
    }
    if (strong(b) && weak(r) && weak(g)) {
        return Colour::kBlue;
    }
    return Colour::kOther;
}

ColourCounts countColours(const Image& image) {
    ColourCounts counts;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            switch (classify(image.pixel(x, y))) {
                case Colour::kWhite:
                    ++counts.white;
                    break;
                case Colour::kGreen:
                    ++counts.green;
                    break;
                case Colour::kRed:
                    ++counts.red;
                    break;
                case Colour::kBlue:
                    ++counts.blue;
                    break;
                case Colour::kOther:
                    ++counts.other;
                    break;
            }
        }
    }
    return counts;
}

Spread spreadOf(const Image& image, Colour colour) {
    Spread spread;
    double sumX = 0, sumY = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (classify(image.pixel(x, y)) != colour) {
                continue;
            }
            if (spread.count == 0) {
                spread.minX = spread.maxX = x;
                spread.minY = spread.maxY = y;
            }
            spread.minX = std::min(spread.minX, x);
            spread.maxX = std::max(spread.maxX, x);
            spread.minY = std::min(spread.minY, y);
            spread.maxY = std::max(spread.maxY, y);
            sumX += x;
            sumY += y;
            ++spread.count;
        }
    }
    if (spread.count > 0) {
        spread.centreX = sumX / spread.count;
        spread.centreY = sumY / spread.count;
    }
    return spread;
}

long differingPixels(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) {
        return static_cast<long>(std::max(a.rgb.size(), b.rgb.size()) / 3);
    }
    long count = 0;
    for (std::size_t i = 0; i + 2 < a.rgb.size(); i += 3) {
        if (a.rgb[i] != b.rgb[i] || a.rgb[i + 1] != b.rgb[i + 1] || a.rgb[i + 2] != b.rgb[i + 2]) {
            ++count;
        }
    }
    return count;
}

}  // namespace xsession
