// Splats per view and their stand-in on 1,000,000 splats: the depth sort beside a comparison sort
// of the same (depth, index) pairs in the same run, the instances of a degree-3 model for a
// perspective view, and the merged stand-in.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "model/file_model.h"
#include "model/splats.h"

namespace {

// ===== Constants =====

constexpr std::size_t kSplats = 1000000;
constexpr int kComparisonRuns = 3;  // the comparison sort's best of these
constexpr float kShell = 0.05f;     // splats near a sphere's surface, as scans have them
constexpr float kScale = 0.01f;     // a splat's extent

// ===== Inputs =====

// Splats of degree 3 near the surface of a unit sphere, in no spatial order.
const FileModel& sphereOfSplats() {
    static const FileModel model = [] {
        FileModel m;
        SplatModel& s = m.splats;
        s.degree = kMaxShDegree;
        std::mt19937 random(3);
        std::normal_distribution<float> normal;
        std::uniform_real_distribution<float> unit(0, 1);
        for (std::size_t i = 0; i < kSplats; ++i) {
            float p[3] = {normal(random), normal(random), normal(random)};
            const float radius =
                (1 + kShell * unit(random)) / std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
            for (float& v : p) {
                m.positions.push_back(v * radius);
            }
            const float a = kScale * (0.5f + unit(random)), b = kScale * (0.5f + unit(random));
            s.covariances.insert(s.covariances.end(), {a * a, 0.1f * a * b, 0, b * b, 0, 1e-6f});
            s.opacities.push_back(unit(random));
            for (int c = 0; c < 3; ++c) {
                s.dc.push_back(2 * unit(random) - 1);
            }
            for (int k = 0; k < s.restPerSplat(); ++k) {
                s.rest.push_back(halfOf(0.2f * (unit(random) - 0.5f)));
            }
        }
        m.minX = m.minY = m.minZ = -1 - kShell;
        m.maxX = m.maxY = m.maxZ = 1 + kShell;
        return m;
    }();
    return model;
}

SplatView perspective() {
    SplatView view;
    view.eye[2] = 3;
    return view;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The comparison sort's best time on the same depths, farthest first, ties by index.
double comparisonSortSeconds(const FileModel& model, const SplatView& view) {
    std::vector<std::pair<float, std::uint32_t>> pairs(kSplats);
    for (std::size_t i = 0; i < kSplats; ++i) {
        const float* p = &model.positions[i * 3];
        const float* e = view.eye;
        const float* f = view.forward;
        pairs[i] = {(p[0] - e[0]) * f[0] + (p[1] - e[1]) * f[1] + (p[2] - e[2]) * f[2],
                    static_cast<std::uint32_t>(i)};
    }
    double best = 1e30;
    for (int run = 0; run < kComparisonRuns; ++run) {
        auto copy = pairs;
        const auto start = std::chrono::steady_clock::now();
        std::sort(copy.begin(), copy.end(), [](const auto& a, const auto& b) {
            return a.first > b.first || (a.first == b.first && a.second < b.second);
        });
        best = std::min(best, secondsSince(start));
        benchmark::DoNotOptimize(copy.data());
    }
    return best;
}

// ===== Benchmarks =====

// Counter std_sort_ratio: the comparison sort's time over the radix sort's.
void BM_SplatDepthSort(benchmark::State& state) {
    const FileModel& model = sphereOfSplats();
    const SplatView view = perspective();
    std::vector<std::uint32_t> order;
    DepthSortScratch scratch;
    sortByDepth(model.positions.data(), kSplats, view, order, scratch);  // sizes the buffers
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        sortByDepth(model.positions.data(), kSplats, view, order, scratch);
        const double seconds = secondsSince(start);
        state.SetIterationTime(seconds);
        total += seconds;
        benchmark::DoNotOptimize(order.data());
    }
    const double mean = total / static_cast<double>(state.iterations());
    state.counters["std_sort_ms"] = 1e3 * comparisonSortSeconds(model, view);
    state.counters["std_sort_ratio"] = state.counters["std_sort_ms"] / (1e3 * mean);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSplats));
}

// Instances in back-to-front order: the splats' data read in the sort's order, not the file's.
void BM_SplatInstancesDegree3(benchmark::State& state) {
    const FileModel& model = sphereOfSplats();
    const SplatView view = perspective();
    std::vector<std::uint32_t> order;
    DepthSortScratch scratch;
    sortByDepth(model.positions.data(), kSplats, view, order, scratch);
    std::vector<SplatInstance> out(kSplats);
    for (auto _ : state) {
        splatInstances(model, order, view, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSplats));
}

// The argument is the stand-in's wanted count.
void BM_SplatStandIn(benchmark::State& state) {
    const FileModel& model = sphereOfSplats();
    FileModel standIn;
    for (auto _ : state) {
        mergeSplats(model, static_cast<std::size_t>(state.range(0)), standIn);
        benchmark::DoNotOptimize(standIn.positions.data());
    }
    state.counters["splats"] = static_cast<double>(standIn.splats.count());
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSplats));
}

}  // namespace

BENCHMARK(BM_SplatDepthSort)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplatInstancesDegree3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplatStandIn)->Arg(kSplats / 20)->Arg(kSplats / 5)->Unit(benchmark::kMillisecond);
