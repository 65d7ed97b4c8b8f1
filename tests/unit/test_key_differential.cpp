// plyview's keys and animation ticks against the catalogue viewer's, step by step: the same
// random sequences of every key of the table and of idle ticks, on models of distinct boxes and
// on the generated catalogue itself, must leave both with the same file, offsets, turntable,
// breathing, tour and overlays.
// The catalogue's tour rewrites offsetX every frame to centre the model; plyview ignores the
// offset while touring instead, so offsetX is compared outside the tour only. Escape ends both
// programs and is left out.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <string>

#include "input_fixture.h"
#include "plyview/animation.h"
#include "support/run_folder.h"

namespace {

using inputtest::InputFixture;
using plyview::Animation;

constexpr int kSequences = 120;     // on the fixture's small models of distinct boxes
constexpr int kRealSequences = 12;  // on the generated catalogue, whose frames cost more
constexpr int kActionsPerSequence = 60;
constexpr int kMaxTickBurst = 90;  // more than a turn of the tour, so that it reaches the next file
constexpr unsigned kSeed = 20261209;
// Every key of the table but Escape, and one that is none.
constexpr unsigned char kKeys[] = {'B', 'N', 'P', 'R', 'W', 'e', 'm',
                                   'x', 'X', 'y', 'Y', 'z', 'Z', 'q'};

// The catalogue's animation codes, in the order of plyview's Animation.
constexpr int kCatalogueCodes[] = {kAnimNone,  kAnimMinusX, kAnimPlusX, kAnimPlusY,  kAnimMinusY,
                                   kAnimPlusZ, kAnimMinusZ, kAnimTour,  kAnimBreathe};

int catalogueCode(Animation animation) {
    return kCatalogueCodes[static_cast<int>(animation)];
}

plyview::Box storeBox() {
    return plyview::Box{minX, maxX, minY, maxY, minZ, maxZ};
}

// Where plyview's state differs from the catalogue's store, or empty.
std::string difference(const plyview::ViewState& v) {
    std::ostringstream out;
    const auto check = [&out](const char* name, auto ours, auto theirs) {
        if (!(ours == theirs)) {
            out << name << ": plyview " << ours << ", catalogue " << theirs << "; ";
        }
    };
    check("entry", v.entry, modelIndex);
    check("tour", v.tour, tourMode == 1);
    if (tourMode == 0) {
        check("offsetX", v.offsetX, offsetX);
    }
    check("offsetY", v.offsetY, offsetY);
    check("offsetZ", v.offsetZ, offsetZ);
    check("spin", v.spin, spinAngle);
    check("step", v.step, animStep);
    check("pulse", v.pulse, pulse);
    check("pulseStep", v.pulseStep, pulseStep);
    check("animation", catalogueCode(v.animation), animMode);
    check("animating", v.animating, animating == 1);
    check("normals", v.normals, showNormals == 1);
    check("box", v.box, showBox == 1);
    return out.str();
}

// Runs `sequences` random sequences through both viewers from start-up, comparing after every
// key and every tick.
void expectTheSameOnRandomSequences(int sequences, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pickKey(0, sizeof kKeys - 1);
    std::uniform_int_distribution<int> pickBurst(1, kMaxTickBurst);
    std::bernoulli_distribution isKey(0.6);
    long steps = 0, toursAdvanced = 0;
    for (int sequence = 0; sequence < sequences; ++sequence) {
        inputtest::restartViewer();
        plyview::ViewState ours;
        std::string done;
        for (int action = 0; action < kActionsPerSequence; ++action) {
            const int burst = isKey(random) ? 0 : pickBurst(random);
            const unsigned char key = kKeys[pickKey(random)];
            for (int tick = 0; tick < std::max(burst, 1); ++tick, ++steps) {
                const plyview::Box box = storeBox();  // the shown model's, as both read it
                const int entryBefore = ours.entry;
                if (burst == 0) {
                    keyboard(key, 0, 0);
                    plyview::applyKey(ours, key, box, kModelCount);
                } else {
                    if (fakegl::idleCallback != nullptr) {
                        fakegl::idleCallback();
                    }
                    plyview::applyTick(ours, box, kModelCount);
                    toursAdvanced += ours.tour && ours.entry != entryBefore;
                }
                const std::string different = difference(ours);
                ASSERT_TRUE(different.empty())
                    << "sequence " << sequence << " after " << done
                    << (burst == 0 ? std::string("key ") + static_cast<char>(key) : "a tick")
                    << ": " << different;
            }
            done += burst == 0 ? std::string(1, static_cast<char>(key))
                               : "[" + std::to_string(burst) + " ticks]";
        }
    }
    EXPECT_GT(steps, sequences * kActionsPerSequence);
    EXPECT_GT(toursAdvanced, 0);  // the sequences did take the tour to another file
}

using KeyDifferential = InputFixture;

TEST_F(KeyDifferential, RandomKeysAndTicksLeaveBothViewersInTheSameState) {
    expectTheSameOnRandomSequences(kSequences, kSeed);
}

// The generated catalogue: its models' own boxes, far from the origin and of every shape.
class KeyDifferentialOnTheCatalogue : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(testsupport::enterRunFolder()); }
    void TearDown() override {
        scenestore::restoreStartUpValues();
        forgetLoadedModel();
        fakegl::reset();
        std::filesystem::current_path(previous_);
    }

  private:
    std::filesystem::path previous_ = std::filesystem::current_path();
};

TEST_F(KeyDifferentialOnTheCatalogue, RandomKeysAndTicksLeaveBothViewersInTheSameState) {
    expectTheSameOnRandomSequences(kRealSequences, kSeed + 1);
}

}  // namespace
