// colour_bench PLYVIEW FILE...: plyview in a window under a private virtual X server, each file
// in the surface style, timed by its frame log (PLYVIEW_TEST_LOG). For each file it presses `c`
// again and again, stepping through the colour sources, and `e` twice as often, which shows and
// hides the box: a frame of the same model with nothing to colour again. Prints one line per
// file:
//   colour_step FILE step_ms MEDIAN max MAX redraw_ms MEDIAN
// where step_ms runs from a `c` to the full frame in the next source's colours and redraw_ms
// from an `e` to its full frame; their difference is what stepping the source costs.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "plyview/viewer.h"
#include "tools/xsession/xsession.h"

namespace {

using Clock = std::chrono::steady_clock;
using xsession::Millis;
using xsession::fs::path;

constexpr Millis kPoll{2};              // between two looks at the frame log
constexpr Millis kReadTimeout{180000};  // a big file read and drawn
constexpr Millis kFrameTimeout{60000};
constexpr Millis kRest{300};  // after a frame, before the next key
constexpr int kSteps = 12;    // `c` presses per file, each between two `e` presses
constexpr int kUsageStatus = 2;

// The number of "frame full" lines the viewer has printed so far.
std::size_t fullFrames(const path& log) {
    const std::string text = xsession::readFile(log);
    std::size_t count = 0;
    for (std::size_t at = 0; (at = text.find("frame full", at)) != std::string::npos; ++at) {
        ++count;
    }
    return count;
}

// Presses `key` and waits for the full frame after it: the milliseconds between the two.
double timeKey(xsession::ViewerSession& session, const path& log, char key) {
    std::this_thread::sleep_for(kRest);
    const std::size_t before = fullFrames(log);
    const auto pressed = Clock::now();
    session.press(key);
    const auto deadline = pressed + kFrameTimeout;
    while (fullFrames(log) == before) {
        if (Clock::now() > deadline) {
            throw xsession::SessionError(std::string("no full frame after ") + key);
        }
        std::this_thread::sleep_for(kPoll);
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - pressed).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void measure(const std::string& plyview, const path& file) {
    xsession::TempDir logs("plyview-colour-bench");
    const path log = logs.path() / "stdout.txt";
    xsession::ViewerSession session(file.parent_path(), logs.path(),
                                    {plyview, "--style", "surface", file.filename().string()},
                                    file.filename().string() + " (1/1) - plyview");
    session.waitForWindow();
    const auto deadline = Clock::now() + kReadTimeout;
    while (fullFrames(log) == 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(kPoll);
    }
    std::vector<double> steps, redraws;
    for (int i = 0; i < kSteps; ++i) {
        redraws.push_back(timeKey(session, log, 'e'));
        steps.push_back(timeKey(session, log, 'c'));
        redraws.push_back(timeKey(session, log, 'e'));
    }
    std::printf("colour_step %s step_ms %.0f max %.0f redraw_ms %.0f\n", file.filename().c_str(),
                median(steps), *std::max_element(steps.begin(), steps.end()), median(redraws));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: colour_bench PLYVIEW FILE...\n");
        return kUsageStatus;
    }
    const std::string plyview = xsession::fs::absolute(argv[1]).string();
    ::setenv(plyview::kFrameLogVariable, "1", 1);
    try {
        for (int i = 2; i < argc; ++i) {
            measure(plyview, xsession::fs::absolute(argv[i]));
        }
    } catch (const xsession::SessionError& error) {
        std::fprintf(stderr, "colour_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
