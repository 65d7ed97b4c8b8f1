// Checks that a frame in the steady state allocates no heap memory: after warm-up frames, whole
// frames (read, assembly, matrices, buffer fills) run with every operator new counted, on the
// big model at rest and with every overlay and animation path on, on the first model, and over
// the whole catalogue. Prints one line per case and fails when any count is not zero.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "fake_gl/fake_gl.h"
#include "input/input.h"
#include "support/run_folder.h"
#include "tools/plywrite/plywrite.h"

// ===== Counting allocator =====

namespace {
bool counting = false;          // only allocations inside the measured frames are counted
unsigned long allocations = 0;  // operator new calls while counting

// Plain and aligned requests alike (the reader keeps page-aligned buffers).
void* allocate(std::size_t size, std::size_t alignment = alignof(std::max_align_t)) {
    if (counting) {
        ++allocations;
    }
    const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
    void* p = std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}
}  // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, std::align_val_t align) {
    return allocate(size, static_cast<std::size_t>(align));
}
void* operator new[](std::size_t size, std::align_val_t align) {
    return allocate(size, static_cast<std::size_t>(align));
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

// ===== Cases =====

namespace {

constexpr int kWarmUpFrames = 3;
constexpr int kCountedFrames = 20;
constexpr int kBreathingPulse = 5;
constexpr int kWarmUpTours = 2;  // both read buffers have held every model after two rounds

struct View {
    int pulse;
    int tourMode;
    int overlays;
};

void apply(const View& view) {
    pulse = view.pulse;
    tourMode = view.tourMode;
    showNormals = showBox = view.overlays;
}

// Frames of one model: warm-up, then counted.
unsigned long framesOf(int index, const View& view) {
    apply(view);
    modelIndex = index;
    for (int i = 0; i < kWarmUpFrames; ++i) {
        display();
    }
    allocations = 0;
    counting = true;
    for (int i = 0; i < kCountedFrames; ++i) {
        display();
    }
    counting = false;
    return allocations;
}

// One frame of every model in turn, after rounds that let the read buffers grow to the largest.
unsigned long catalogueRound() {
    apply(View{0, 0, 1});
    for (int round = 0; round < kWarmUpTours; ++round) {
        for (int index = kFirstModel; index <= kLastModel; ++index) {
            modelIndex = index;
            display();
        }
    }
    allocations = 0;
    counting = true;
    for (int index = kFirstModel; index <= kLastModel; ++index) {
        modelIndex = index;
        display();
    }
    counting = false;
    return allocations;
}

// Loads of an oversized binary file that has not changed: compared, not read or fitted again.
unsigned long oversizedLoads() {
    const char* path = "/tmp/plyviewer-alloc-check-oversized.ply";
    plywrite::Options options;
    options.format = plywrite::Format::kBinaryLittleEndian;
    if (!plywrite::writeFile(path, plywrite::surface(150, 100), options)) {
        return 1;
    }
    for (int i = 0; i < kWarmUpFrames; ++i) {
        loadModelFile(path, kFirstModel);
    }
    allocations = 0;
    counting = true;
    for (int i = 0; i < kCountedFrames; ++i) {
        loadModelFile(path, kFirstModel);
    }
    counting = false;
    std::remove(path);
    return allocations;
}

bool report(const char* what, unsigned long count) {
    std::printf("%-40s allocations: %lu\n", what, count);
    return count == 0;
}

}  // namespace

int main() {
    fakegl::recording = false;  // a record of each call would itself allocate
    if (!testsupport::enterRunFolder()) {
        return 1;
    }
    bool ok = true;
    ok &= report("big_atc at rest, 20 frames", framesOf(kLastModel, View{0, 0, 0}));
    ok &= report("big_atc breathing, tour, overlays, 20 frames",
                 framesOf(kLastModel, View{kBreathingPulse, 1, 1}));
    ok &= report("first model at rest, 20 frames", framesOf(kFirstModel, View{0, 0, 0}));
    ok &= report("whole catalogue, one frame each", catalogueRound());
    ok &= report("unchanged oversized file, 20 loads", oversizedLoads());
    std::printf("%s\n", ok ? "steady-state frames allocate nothing" : "FRAMES ALLOCATE");
    return ok ? 0 : 1;
}
