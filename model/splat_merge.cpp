// The stand-in of a splat model, drawn while the view moves: the splats grouped by the cells of a
// uniform grid whose cell size is searched so that about the wanted number of cells hold any, and
// each group merged into one Gaussian with the same weighted moments. A group of neighbours
// keeps the look of the surface they cover (its extent, colour and coverage) where a subset of
// the splats would leave holes.
#include <algorithm>
#include <cmath>
#include <limits>

#include "model/file_model.h"
#include "model/ply_attributes.h"
#include "model/proxy.h"
#include "model/splat_basis.h"

namespace {

// ===== Constants =====

constexpr int kCellBits = 21;  // per axis: three fit in a 64-bit cell key
constexpr std::uint32_t kLastCell = (1u << kCellBits) - 1;
constexpr std::size_t kCancelStride = 4096;  // splats between looks at the cancel flag
constexpr int kMaxTrials = 16;               // cell sizes tried at most
// A cell size is taken once it fills at least this share of the wanted cells; trials aim a little
// lower than all of them so that most land inside.
constexpr double kEnoughCells = 0.9;
constexpr double kAimedCells = 0.95;
// A trial stops counting beyond this many times the wanted cells: it is too fine, and its table
// stays small.
constexpr std::size_t kCountCap = 4;
// Each trial's cell size lies at least this share of the bracket (in logarithms) inside it, so
// that the bracket keeps shrinking when the counts do not follow a power of the size.
constexpr double kLeastStep = 0.15;
constexpr double kLeastBracket = 1e-4;  // log(sHigh / sLow) under which the search stops
constexpr std::uint64_t kEmptySlot = ~std::uint64_t{0};
constexpr double kMaxMergedAlpha = kMaxSplatAlpha;  // a merged splat's opacity at most
constexpr int kChannels = splat::kChannels;
// The symmetric matrix's entries in kCovarianceFloats order: xx, xy, xz, yy, yz, zz.
constexpr int kXX = 0, kXY = 1, kXZ = 2, kYY = 3, kYZ = 4, kZZ = 5;

// ===== Cells =====

bool cancelled(const std::atomic<bool>* cancel, std::size_t i) {
    return cancel != nullptr && i % kCancelStride == 0 && cancel->load(std::memory_order_relaxed);
}

std::uint32_t cellIndex(float scaled) {
    if (!(scaled > 0)) {  // NaN too
        return 0;
    }
    return scaled < static_cast<float>(kLastCell) ? static_cast<std::uint32_t>(scaled) : kLastCell;
}

// Cubic cells from the low corner of the positions' box.
struct Grid {
    float low[kCoordinates] = {0, 0, 0};
    float inverse = 0;  // cells per unit length; 0 puts everything in one cell

    std::uint64_t key(const float* p) const {
        return static_cast<std::uint64_t>(cellIndex((p[0] - low[0]) * inverse)) |
               static_cast<std::uint64_t>(cellIndex((p[1] - low[1]) * inverse)) << kCellBits |
               static_cast<std::uint64_t>(cellIndex((p[2] - low[2]) * inverse)) << 2 * kCellBits;
    }
};

// The cells that hold any splat, numbered in order of their first splat: open addressing over a
// power-of-two table at most half full.
class CellTable {
  public:
    void reset(std::size_t capacity) {
        std::size_t size = 2;
        while (size < 2 * capacity) {
            size *= 2;
        }
        keys_.assign(size, kEmptySlot);
        numbers_.resize(size);
        mask_ = size - 1;
        used_ = 0;
    }

    std::uint32_t numberOf(std::uint64_t key) {
        std::size_t slot = find(key);
        if (keys_[slot] == kEmptySlot) {
            if (2 * (used_ + 1) > keys_.size()) {  // kept at most half full
                grow();
                slot = find(key);
            }
            keys_[slot] = key;
            numbers_[slot] = static_cast<std::uint32_t>(used_++);
        }
        return numbers_[slot];
    }

    std::size_t used() const { return used_; }

  private:
    // The slot of `key`, or the empty one where it would go.
    std::size_t find(std::uint64_t key) const {
        std::size_t slot = mix(key) & mask_;
        while (keys_[slot] != key && keys_[slot] != kEmptySlot) {
            slot = (slot + 1) & mask_;
        }
        return slot;
    }

    void grow() {
        std::vector<std::uint64_t> keys(2 * keys_.size(), kEmptySlot);
        std::vector<std::uint32_t> numbers(keys.size());
        keys.swap(keys_);
        numbers.swap(numbers_);
        mask_ = keys_.size() - 1;
        for (std::size_t slot = 0; slot < keys.size(); ++slot) {
            if (keys[slot] != kEmptySlot) {
                const std::size_t at = find(keys[slot]);
                keys_[at] = keys[slot];
                numbers_[at] = numbers[slot];
            }
        }
    }

    // Neighbouring cells differ in a few low bits of each field; the mix spreads them.
    static std::uint64_t mix(std::uint64_t key) {
        key ^= key >> 33;
        key *= 0xff51afd7ed558ccdull;
        key ^= key >> 33;
        key *= 0xc4ceb9fe1a85ec53ull;
        return key ^ (key >> 33);
    }

    std::vector<std::uint64_t> keys_;
    std::vector<std::uint32_t> numbers_;
    std::size_t mask_ = 0;
    std::size_t used_ = 0;
};

// The box of the positions and its largest side.
Grid gridOf(const FileModel& model, std::size_t count, float& extent) {
    float low[kCoordinates], high[kCoordinates];
    for (int k = 0; k < kCoordinates; ++k) {
        low[k] = high[k] = model.positions[k];
    }
    for (std::size_t i = 0; i < count; ++i) {
        for (int k = 0; k < kCoordinates; ++k) {
            low[k] = std::min(low[k], model.positions[i * kCoordinates + k]);
            high[k] = std::max(high[k], model.positions[i * kCoordinates + k]);
        }
    }
    Grid grid;
    extent = 0;
    for (int k = 0; k < kCoordinates; ++k) {
        grid.low[k] = low[k];
        extent = std::max(extent, high[k] - low[k]);
    }
    return grid;
}

// How many cells of size `size` hold splats, counted up to `cap` + 1; -1 when cancelled.
std::int64_t occupiedCells(const FileModel& model, std::size_t count, Grid grid, double size,
                           std::size_t cap, CellTable& table, const std::atomic<bool>* cancel) {
    grid.inverse = static_cast<float>(1 / size);
    table.reset(cap + 1);
    for (std::size_t i = 0; i < count; ++i) {
        if (cancelled(cancel, i)) {
            return -1;
        }
        table.numberOf(grid.key(&model.positions[i * kCoordinates]));
        if (table.used() > cap) {
            break;
        }
    }
    return static_cast<std::int64_t>(table.used());
}

// The largest cell size tried that leaves at most `target` cells occupied, searched between the
// finest cells and one cell for the whole box, with occupancy taken as a power of the size between
// the bracket's ends. 0 when cancelled.
double cellSize(const FileModel& model, std::size_t count, const Grid& grid, double extent,
                std::size_t target, CellTable& table, const std::atomic<bool>* cancel) {
    // Cells twice the box's size put it all in the first one.
    double low = extent / (kLastCell + 1.0), high = 2 * extent;
    double lowCells = static_cast<double>(count), highCells = 1;
    const std::size_t cap = std::min(count, kCountCap * target);
    double size = extent / std::sqrt(static_cast<double>(target));  // cells on a surface
    for (int trial = 0; trial < kMaxTrials && std::log(high / low) > kLeastBracket; ++trial) {
        const std::int64_t cells = occupiedCells(model, count, grid, size, cap, table, cancel);
        if (cells < 0) {
            return 0;
        }
        if (static_cast<std::size_t>(cells) <= target) {
            high = size;
            highCells = static_cast<double>(cells);
            if (highCells >= kEnoughCells * static_cast<double>(target)) {
                break;
            }
        } else {
            low = size;
            lowCells = static_cast<double>(cells);
        }
        const double along =
            (std::log(kAimedCells * static_cast<double>(target)) - std::log(lowCells)) /
            (std::log(highCells) - std::log(lowCells));
        const double t = std::clamp(std::isfinite(along) ? along : 0.5, kLeastStep, 1 - kLeastStep);
        size = std::exp(std::log(low) + t * (std::log(high) - std::log(low)));
    }
    return high;
}

// ===== Merging =====

// The splats of each group, group after group, and where each group starts.
struct Groups {
    std::vector<std::uint32_t> members;
    std::vector<std::size_t> starts;  // one more than the groups
};

// Each splat's cell at `size`, numbered in order of first splat, its members gathered by a
// counting sort. False when cancelled.
bool groupByCell(const FileModel& model, std::size_t count, Grid grid, double size,
                 std::size_t target, CellTable& table, Groups& groups,
                 const std::atomic<bool>* cancel) {
    grid.inverse = size > 0 ? static_cast<float>(1 / size) : 0;
    table.reset(target);
    std::vector<std::uint32_t> groupOf(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (cancelled(cancel, i)) {
            return false;
        }
        groupOf[i] = table.numberOf(grid.key(&model.positions[i * kCoordinates]));
    }
    groups.starts.assign(table.used() + 1, 0);
    for (std::uint32_t g : groupOf) {
        ++groups.starts[g + 1];
    }
    for (std::size_t g = 1; g < groups.starts.size(); ++g) {
        groups.starts[g] += groups.starts[g - 1];
    }
    std::vector<std::size_t> next(groups.starts.begin(), groups.starts.end() - 1);
    groups.members.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        groups.members[next[groupOf[i]]++] = static_cast<std::uint32_t>(i);
    }
    return true;
}

// A splat's size for weighing it: the square root of the sum of its covariance's 2 x 2 principal
// minors (λ1λ2 + λ1λ3 + λ2λ3). Seen along a unit direction n, a splat covers an ellipse of area
// π √det(Σ'), with det(Σ') = nᵀ adj(Σ) n, whose mean over all directions is that sum over 3:
// so this follows the area a splat covers over all views, without finding its axes. A volume
// (det(Σ)^(1/3)) shrinks with the thinnest axis of the flat splats that surfaces are made of, and
// opacity alone lets a speck weigh as much as a splat many times its size.
double sizeOf(const double* c) {
    const double minors = c[kXX] * c[kYY] - c[kXY] * c[kXY] + c[kXX] * c[kZZ] - c[kXZ] * c[kXZ] +
                          c[kYY] * c[kZZ] - c[kYZ] * c[kYZ];
    return minors > 0 ? std::sqrt(minors) : 0;
}

// Appends splat `s` of the model unchanged.
void copySplat(const FileModel& model, std::size_t s, FileModel& standIn) {
    const SplatModel& in = model.splats;
    SplatModel& out = standIn.splats;
    const std::size_t rest = static_cast<std::size_t>(in.restPerSplat());
    const auto append = [](auto& to, const auto& from, std::size_t at, std::size_t n) {
        to.insert(to.end(), from.begin() + static_cast<std::ptrdiff_t>(at),
                  from.begin() + static_cast<std::ptrdiff_t>(at + n));
    };
    append(standIn.positions, model.positions, s * kCoordinates, kCoordinates);
    append(out.covariances, in.covariances, s * kCovarianceFloats, kCovarianceFloats);
    out.opacities.push_back(in.opacities[s]);
    append(out.dc, in.dc, s * kChannels, kChannels);
    append(out.rest, in.rest, s * rest, rest);
}

// A member's covariance in double.
void covarianceOf(const SplatModel& splats, std::size_t s, double* c) {
    std::copy_n(&splats.covariances[s * kCovarianceFloats], kCovarianceFloats, c);
}

// Appends the moment-matched merge of `members` (two or more): weights are opacity times size,
// so that the colour is that of what covers most; the opacity keeps the group's coverage, each
// member's transmittance counted over the share of the merged splat's size it covers. `sizes`
// is scratch memory.
void mergeGroup(const FileModel& model, const std::uint32_t* members, std::size_t n,
                const float* halves, std::vector<double>& sizes, FileModel& standIn) {
    const SplatModel& in = model.splats;
    const std::size_t rest = static_cast<std::size_t>(in.restPerSplat());
    sizes.resize(n);
    double total = 0;
    for (std::size_t m = 0; m < n; ++m) {
        double c[kCovarianceFloats];
        covarianceOf(in, members[m], c);
        sizes[m] = sizeOf(c);
        total += in.opacities[members[m]] * sizes[m];
    }
    // Members all transparent or all points: weighed alike.
    const bool weighed = total > 0 && std::isfinite(total);
    const auto weightOf = [&](std::size_t m) {
        return weighed ? in.opacities[members[m]] * sizes[m] / total : 1.0 / static_cast<double>(n);
    };
    double mean[kCoordinates] = {0, 0, 0};
    for (std::size_t m = 0; m < n; ++m) {
        const double w = weightOf(m);
        for (int k = 0; k < kCoordinates; ++k) {
            mean[k] += w * model.positions[std::size_t{members[m]} * kCoordinates + k];
        }
    }

    double covariance[kCovarianceFloats] = {};
    double dc[kChannels] = {};
    double coefficients[kChannels * kShRestPerChannel[kMaxShDegree]] = {};
    for (std::size_t m = 0; m < n; ++m) {
        const std::size_t s = members[m];
        const double w = weightOf(m);
        double c[kCovarianceFloats];
        covarianceOf(in, s, c);
        double d[kCoordinates];
        for (int k = 0; k < kCoordinates; ++k) {
            d[k] = model.positions[s * kCoordinates + k] - mean[k];
        }
        const double spread[kCovarianceFloats] = {d[0] * d[0], d[0] * d[1], d[0] * d[2],
                                                  d[1] * d[1], d[1] * d[2], d[2] * d[2]};
        for (int k = 0; k < kCovarianceFloats; ++k) {
            covariance[k] += w * (c[k] + spread[k]);
        }
        for (int k = 0; k < kChannels; ++k) {
            dc[k] += w * in.dc[s * kChannels + k];
        }
        for (std::size_t k = 0; k < rest; ++k) {
            coefficients[k] += w * halves[in.rest[s * rest + k]];
        }
    }

    const double size = sizeOf(covariance);
    double logTransmittance = 0;
    for (std::size_t m = 0; m < n; ++m) {
        const double share = size > 0 ? sizes[m] / size : 1;
        const double alpha = std::min<double>(in.opacities[members[m]], kMaxMergedAlpha);
        logTransmittance += share * std::log1p(-alpha);
    }
    const double opacity = std::min(kMaxMergedAlpha, -std::expm1(logTransmittance));

    SplatModel& out = standIn.splats;
    for (int k = 0; k < kCoordinates; ++k) {
        standIn.positions.push_back(static_cast<float>(mean[k]));
    }
    for (int k = 0; k < kCovarianceFloats; ++k) {
        out.covariances.push_back(static_cast<float>(covariance[k]));
    }
    out.opacities.push_back(static_cast<float>(opacity));
    for (int k = 0; k < kChannels; ++k) {
        out.dc.push_back(static_cast<float>(dc[k]));
    }
    for (std::size_t k = 0; k < rest; ++k) {
        out.rest.push_back(halfOf(static_cast<float>(coefficients[k])));
    }
}

// Whether the splat arrays hold `count` splats each.
bool consistent(const FileModel& model) {
    const SplatModel& s = model.splats;
    const std::size_t count = s.count();
    return s.degree >= 0 && s.degree <= kMaxShDegree &&
           model.positions.size() == count * kCoordinates &&
           s.covariances.size() == count * kCovarianceFloats && s.dc.size() == count * kChannels &&
           s.rest.size() == count * static_cast<std::size_t>(s.restPerSplat());
}

// The box, centre and notes of the model, the counts of the stand-in, its degree-0 colours.
void finish(const FileModel& model, FileModel& standIn) {
    copyFrame(model, standIn);
    standIn.notes.fileVertices = static_cast<std::int64_t>(standIn.splats.count());
    standIn.notes.fileTriangles = 0;
    standIn.splats.leftOut = model.splats.leftOut;
    standIn.colours.reserve(standIn.splats.count() * kColourBytes);
    for (float coefficient : standIn.splats.dc) {
        standIn.colours.push_back(ply::splatByte(coefficient));
        if (standIn.colours.size() % kColourBytes == kChannels) {
            standIn.colours.push_back(ply::kOpaque);
        }
    }
}

}  // namespace

bool mergeSplats(const FileModel& model, std::size_t target, FileModel& standIn,
                 const std::atomic<bool>* cancel) {
    standIn = FileModel{};
    standIn.splats.degree = model.splats.degree;
    const std::size_t count = model.splats.count();
    if (count == 0 || !consistent(model)) {
        finish(model, standIn);
        return cancel == nullptr || !cancel->load();
    }
    target = std::max<std::size_t>(target, 1);
    float extent = 0;
    const Grid grid = gridOf(model, count, extent);
    CellTable table;
    double size = 0;  // one cell per distinct position when target covers every splat
    if (target < count && extent > 0 && std::isfinite(extent)) {
        size = cellSize(model, count, grid, extent, target, table, cancel);
        if (size == 0) {
            return false;
        }
    } else if (target < count) {
        size = std::numeric_limits<double>::infinity();  // one place, or no box: one group
    }
    Groups groups;
    if (size > 0) {
        if (!groupByCell(model, count, grid, size, target, table, groups, cancel)) {
            return false;
        }
    } else {  // each splat a group of its own
        groups.members.resize(count);
        groups.starts.resize(count + 1);
        for (std::size_t i = 0; i < count; ++i) {
            groups.members[i] = static_cast<std::uint32_t>(i);
            groups.starts[i] = i;
        }
        groups.starts[count] = count;
    }

    const std::size_t merged = groups.starts.size() - 1;
    SplatModel& out = standIn.splats;
    standIn.positions.reserve(merged * kCoordinates);
    out.covariances.reserve(merged * kCovarianceFloats);
    out.opacities.reserve(merged);
    out.dc.reserve(merged * kChannels);
    out.rest.reserve(merged * static_cast<std::size_t>(out.restPerSplat()));
    const float* halves = splat::halfTable();
    const SplatModel& in = model.splats;
    const std::size_t rest = static_cast<std::size_t>(in.restPerSplat());
    std::vector<double> sizes;
    std::size_t done = 0;
    for (std::size_t g = 0; g < merged; ++g) {
        const std::size_t n = groups.starts[g + 1] - groups.starts[g];
        const std::uint32_t* members = &groups.members[groups.starts[g]];
        if (cancel != nullptr && done / kCancelStride != (done + n) / kCancelStride &&
            cancel->load(std::memory_order_relaxed)) {
            return false;
        }
        done += n;
        // The next group's members, which lie anywhere in the model, are asked for while this
        // one is merged: that hides most of the wait for memory (a third of the time for a
        // million splats). Written here, not in a function of its own, which the compiler
        // would find free of effects and drop.
        for (std::size_t m = groups.starts[g + 1]; g + 1 < merged && m < groups.starts[g + 2];
             ++m) {
            const std::size_t s = groups.members[m];
            __builtin_prefetch(&model.positions[s * kCoordinates]);
            __builtin_prefetch(&in.covariances[s * kCovarianceFloats]);
            __builtin_prefetch(&in.opacities[s]);
            __builtin_prefetch(&in.dc[s * kChannels]);
            if (rest > 0) {  // at most 90 bytes: the first, middle and last lines
                __builtin_prefetch(&in.rest[s * rest]);
                __builtin_prefetch(&in.rest[s * rest + rest / 2]);
                __builtin_prefetch(&in.rest[s * rest + rest - 1]);
            }
        }
        if (n == 1) {
            copySplat(model, members[0], standIn);
        } else {
            mergeGroup(model, members, n, halves, sizes, standIn);
        }
    }
    finish(model, standIn);
    return true;
}
