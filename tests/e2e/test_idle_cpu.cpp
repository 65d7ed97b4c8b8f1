// A viewer at rest waits for events instead of spinning in its idle callback.
#include <thread>

#include "tests/e2e/viewer_fixture.h"

namespace e2e {
namespace {

constexpr xsession::Millis kMeasureSpan{3000};
constexpr xsession::Millis kAlivePoll{100};
constexpr double kMaxShareOfCore = 0.10;

class IdleCpu : public ViewerTest {};

TEST_F(IdleCpu, ViewerAtRestUsesWellUnderATenthOfACore) {
    startAndWaitForFirstFrame();
    xsession::ChildProcess& viewer = session().process();
    const double before = viewer.cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    // The span is a measurement window; the viewer is checked to be alive throughout.
    while (std::chrono::steady_clock::now() - start < kMeasureSpan) {
        ASSERT_TRUE(viewer.running()) << "the viewer " << viewer.describeEnd();
        std::this_thread::sleep_for(kAlivePoll);
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double share = (viewer.cpuSeconds() - before) / elapsed;
    RecordProperty("idle_cpu_percent", std::to_string(share * 100.0));
    std::cout << "viewer at rest: " << share * 100.0 << " % of one core over " << elapsed << " s\n";
    EXPECT_LT(share, kMaxShareOfCore);
    EXPECT_EQ(quit(), 0);
}

}  // namespace
}  // namespace e2e
