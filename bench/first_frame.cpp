// first_frame REPETITIONS RUN_DIR: start-to-first-frame in a window, plyviewer against plyview on
// the same model (the catalogue's first, airplane.ply), each under its own virtual X server. The
// clock starts when the viewer is started and stops at the first capture of its window that
// shows the green wireframe. Prints the medians in milliseconds, one line per viewer.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tools/xsession/xsession.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr xsession::Millis kPoll{2};
constexpr xsession::Millis kGiveUp{30000};
constexpr const char* kModel = "airplane.ply";

struct Viewer {
    const char* label;
    std::vector<std::string> argv;
    std::string title;
};

// Milliseconds from the start to the first green frame, or a negative number on failure.
double firstFrame(const Viewer& viewer, const xsession::fs::path& runDir) {
    xsession::TempDir logs("first-frame");
    xsession::ViewerSession session(runDir, logs.path(), viewer.argv, viewer.title);
    const auto start = Clock::now();
    auto& client = session.client();
    while (Clock::now() - start < kGiveUp) {
        if (const auto window = client.findWindow(viewer.title)) {
            client.placeOnScreen(*window);  // no window manager puts it there
            const auto image = client.capture(*window);
            if (image && xsession::spreadOf(*image, xsession::Colour::kGreen).count > 0) {
                return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            }
        }
        std::this_thread::sleep_for(kPoll);
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::atoi(argv[1]) < 1) {
        std::fprintf(stderr, "usage: first_frame REPETITIONS RUN_DIR\n");
        return 2;
    }
    const int repetitions = std::atoi(argv[1]);
    const xsession::fs::path runDir = xsession::fs::absolute(argv[2]);
    const std::vector<Viewer> viewers = {
        {"plyviewer", {"./plyviewer"}, xsession::kViewerTitle},
        {"plyview", {PLYVIEW_EXE, kModel}, std::string(kModel) + " (1/1) - plyview"},
    };
    std::vector<std::vector<double>> times(viewers.size());
    // Alternating, so that a busy spell of the machine hits both alike.
    for (int r = 0; r < repetitions; ++r) {
        for (std::size_t v = 0; v < viewers.size(); ++v) {
            const double ms = firstFrame(viewers[v], runDir);
            if (ms < 0) {
                std::fprintf(stderr, "first_frame: %s showed no frame\n", viewers[v].label);
                return 1;
            }
            times[v].push_back(ms);
        }
    }
    for (std::size_t v = 0; v < viewers.size(); ++v) {
        std::sort(times[v].begin(), times[v].end());
        std::printf("first_frame_ms %s %.1f\n", viewers[v].label, times[v][times[v].size() / 2]);
    }
    return 0;
}
