// window_bench PLYVIEW FOLDER: plyview in a window under a private virtual X server, driven by
// mouse drags and key presses, timed by its frame log (PLYVIEW_TEST_LOG: one line per frame
// shown, "frame full|proxy|breathing <ms since start> <ms it took>"). FOLDER holds the files
// scripts/bench-big writes:
// sphere.ply (12.2 million triangles), torus.ply (1 million), sphere-1m.ply (1 million, the same
// size as the torus), torus-small.ply and sphere-small.ply (2,000). Prints one line per figure:
//   orbit_fps          proxy frames per second while the sphere is orbited by a drag
//   settle_ms          from the end of that drag to the next full frame
//   answer_ms          the longest and the median wait for a key or a drag to be answered with
//                      a frame while a full redraw of the sphere is under way
//   idle_cpu_percent   CPU use at rest with the torus shown, percent of one core
//   edit_ms            from copying another model over the shown file to its full frame,
//                      median of the edits, small files and 38 MB files
// window_bench --splats PLYVIEW FILE: a splat file (scripts/bench-splat) in the surface style:
//   first_full_ms      from starting plyview to its first full frame, and the ms that frame took
//   orbit_fps          stand-in frames per second while the splats are orbited by a drag
//   settle_ms          from the end of that drag to the next full frame, and the ms it took
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "plyview/viewer.h"
#include "tools/xsession/xsession.h"

namespace {

using Clock = std::chrono::steady_clock;
using xsession::Millis;
using xsession::fs::path;

// ===== Constants =====

constexpr Millis kPoll{2};               // between two looks at the frame log
constexpr Millis kReadTimeout{180000};   // a 12.2 million triangle file read and drawn
constexpr Millis kFrameTimeout{60000};   // any frame that is due
constexpr Millis kProxyTimeout{120000};  // the proxy built after the first full frame
constexpr Millis kProbePause{1000};      // between probes for the proxy
constexpr unsigned kLeftButton = 1;
constexpr xsession::Point kOrbitFrom{128, 256};  // in the 512 x 512 window
constexpr xsession::Point kOrbitTo{384, 256};
constexpr int kOrbitSteps = 300;   // pointer moves of the orbit, one per kOrbitPause
constexpr Millis kOrbitPause{10};  // 100 moves a second, as a mouse sends them
constexpr int kNudgeSteps = 3;     // a drag of a few pixels
constexpr xsession::Point kNudge{8, 0};
constexpr int kAnswerSamples = 10;    // keys and drags, taking turns
constexpr Millis kIntoRedraw{700};    // after the last motion: a full redraw under way
constexpr Millis kRestSettle{5000};   // the torus shown and its proxy built
constexpr Millis kRestWindow{10000};  // CPU time sampled over this long
constexpr int kEdits = 10;
constexpr Millis kSmallEditGap{500};  // after an edit's frame, before the next
constexpr Millis kBigEditGap{2500};   // a big edit's proxy is built meanwhile
constexpr double kPercent = 100;
constexpr const char* kSplatsFlag = "--splats";
constexpr int kStateField = 3;       // of /proc/PID/stat, counted from 1
constexpr int kStartTimeField = 22;  // the process's start, clock ticks after boot
constexpr double kMsPerSecond = 1000;
constexpr double kNsPerMs = 1e6;
constexpr int kUsageStatus = 2;

// ===== Frame log =====

struct Frame {
    std::string kind;        // full, proxy, breathing
    long ms = 0;             // since the viewer started drawing, by its clock
    double took = 0;         // drawing it, by its clock
    Clock::time_point seen;  // when this program found the line
};

// The viewer's standard output, read as it grows: every frame line in order.
class FrameLog {
  public:
    explicit FrameLog(const path& file) : file_(file) {}

    // Reads what has been added; frames are numbered from 0 in the order shown.
    void update() {
        const std::string text = xsession::readFile(file_);
        for (std::size_t end; (end = text.find('\n', read_)) != std::string::npos;
             read_ = end + 1) {
            char kind[16] = {};
            long ms = 0;
            double took = 0;
            if (std::sscanf(text.c_str() + read_, "frame %15s %ld %lf", kind, &ms, &took) >= 2) {
                frames_.push_back({kind, ms, took, Clock::now()});
            }
        }
    }
    std::size_t count() {
        update();
        return frames_.size();
    }
    const Frame& operator[](std::size_t i) const { return frames_[i]; }

    // The number of the first frame numbered `from` or later, of `kind` when one is given;
    // throws after the time-out.
    std::size_t waitFor(std::size_t from, const std::string& kind, Millis timeout) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            update();
            for (std::size_t i = from; i < frames_.size(); ++i) {
                if (kind.empty() || frames_[i].kind == kind) {
                    return i;
                }
            }
            if (Clock::now() > deadline) {
                throw xsession::SessionError("no " + (kind.empty() ? "" : kind + " ") + "frame");
            }
            std::this_thread::sleep_for(kPoll);
        }
    }
    // Whether a frame of `kind` was shown from frame `from` on.
    bool shown(std::size_t from, const std::string& kind) {
        update();
        for (std::size_t i = from; i < frames_.size(); ++i) {
            if (frames_[i].kind == kind) {
                return true;
            }
        }
        return false;
    }

  private:
    path file_;
    std::size_t read_ = 0;
    std::vector<Frame> frames_;
};

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// ===== Sessions =====

// plyview showing `file` in its window with `options`, its first full frame drawn.
struct Viewer {
    xsession::TempDir logs{"plyview-window-bench"};
    xsession::ViewerSession session;
    FrameLog log;
    std::size_t firstFull = 0;  // the first full frame's number

    Viewer(const std::string& plyview, const path& file,
           const std::vector<std::string>& options = {})
        : session(file.parent_path(), logs.path(), argvOf(plyview, options, file),
                  file.filename().string() + " (1/1) - plyview"),
          log(logs.path() / "stdout.txt") {
        session.waitForWindow();
        firstFull = log.waitFor(0, "full", kReadTimeout);
    }

    static std::vector<std::string> argvOf(const std::string& plyview,
                                           const std::vector<std::string>& options,
                                           const path& file) {
        std::vector<std::string> argv{plyview};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(file.filename().string());
        return argv;
    }

    // A short drag; returns the number of the first frame it brings, once it is there.
    std::size_t nudge(int direction) {
        const std::size_t before = log.count();
        const xsession::Point to{kOrbitFrom.x + direction * kNudge.x, kOrbitFrom.y};
        session.client().drag(session.window(), kLeftButton, kOrbitFrom, to, kNudgeSteps);
        return log.waitFor(before, "", kFrameTimeout);
    }

    // Drags until a drag is drawn from the proxy, then waits for the full frame after it.
    void waitForProxy() {
        const auto deadline = Clock::now() + kProxyTimeout;
        std::size_t answer = nudge(1);
        while (log[answer].kind != "proxy") {
            if (Clock::now() > deadline) {
                throw xsession::SessionError("no proxy frame while dragging");
            }
            std::this_thread::sleep_for(kProbePause);
            answer = nudge(1);
        }
        log.waitFor(answer, "full", kFrameTimeout);
    }
};

// ===== Figures =====

// Orbiting the big model: proxy frames per second during a drag at a hand's pace, then the
// wait from its end until the full frame.
void orbit(Viewer& viewer) {
    const std::size_t before = viewer.log.count();
    viewer.session.client().drag(viewer.session.window(), kLeftButton, kOrbitFrom, kOrbitTo,
                                 kOrbitSteps, kOrbitPause);
    const auto released = Clock::now();
    const std::size_t after = viewer.log.count();
    long first = -1, last = -1, frames = 0;
    for (std::size_t i = before; i < after; ++i) {
        if (viewer.log[i].kind == "proxy") {
            first = first < 0 ? viewer.log[i].ms : first;
            last = viewer.log[i].ms;
            ++frames;
        }
    }
    const Frame& full = viewer.log[viewer.log.waitFor(after, "full", kFrameTimeout)];
    std::printf("orbit_fps %.1f frames %ld\n",
                last > first ? (frames - 1) * 1000.0 / static_cast<double>(last - first) : 0.0,
                frames);
    std::printf("settle_ms %.0f took %.0f\n", msBetween(released, full.seen), full.took);
}

// How long ago the process started, from its start time in /proc (in clock ticks since boot):
// the virtual X server's start before it does not count.
double msSinceStart(pid_t pid) {
    std::string stat = xsession::readFile("/proc/" + std::to_string(pid) + "/stat");
    stat = stat.substr(stat.rfind(')') + 2);  // the fields after the name, from the state on
    unsigned long long ticks = 0;
    std::istringstream fields(stat);
    std::string field;
    for (int i = kStateField; i < kStartTimeField; ++i) {
        fields >> field;
    }
    fields >> ticks;
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double sinceBoot = static_cast<double>(now.tv_sec) * kMsPerSecond +
                             static_cast<double>(now.tv_nsec) / kNsPerMs;
    return sinceBoot -
           static_cast<double>(ticks) * kMsPerSecond / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// A splat file in the surface style: its first full frame, then the orbit of its stand-in.
int splats(const std::string& plyview, const path& file) {
    Viewer viewer(plyview, file, {"--style", "surface"});
    const Frame& first = viewer.log[viewer.firstFull];
    const double age = msSinceStart(viewer.session.process().pid());
    std::printf("first_full_ms %.0f took %.0f\n", age - msBetween(first.seen, Clock::now()),
                first.took);
    viewer.waitForProxy();
    orbit(viewer);
    return 0;
}

// Keys and drags while the big model's full frame is being drawn in steps: the wait for the
// frame that answers each. The key x (X) starts a move, drawn from the proxy, and stops it; a
// sample after which the full frame was already shown does not count.
void answers(Viewer& viewer) {
    std::vector<double> waits;
    std::size_t motion = viewer.nudge(1);
    for (int sample = 0; sample < kAnswerSamples; ++sample) {
        std::this_thread::sleep_for(kIntoRedraw);
        const bool underWay = !viewer.log.shown(motion + 1, "full");
        const std::size_t before = viewer.log.count();
        const auto asked = Clock::now();
        if (sample % 2 == 0) {
            const char key = sample % 4 == 0 ? 'x' : 'X';
            viewer.session.press(key);
            motion = viewer.log.waitFor(before, "", kFrameTimeout);
            viewer.session.press(key);  // stopped: a full redraw follows
        } else {
            motion = viewer.nudge(sample % 4 == 1 ? -1 : 1);
        }
        if (underWay) {
            waits.push_back(msBetween(asked, viewer.log[motion].seen));
        }
        motion = std::max(motion, viewer.log.count() - 1);
    }
    if (waits.empty()) {
        std::printf("answer_ms none: every full frame was done within %lld ms\n",
                    static_cast<long long>(kIntoRedraw.count()));
        return;
    }
    std::printf("answer_ms max %.0f median %.0f samples %zu\n",
                *std::max_element(waits.begin(), waits.end()), median(waits), waits.size());
}

void idleCpu(Viewer& viewer) {
    std::this_thread::sleep_for(kRestSettle);
    const double before = viewer.session.process().cpuSeconds();
    std::this_thread::sleep_for(kRestWindow);
    const double used = viewer.session.process().cpuSeconds() - before;
    std::printf("idle_cpu_percent %.2f\n",
                kPercent * used / std::chrono::duration<double>(kRestWindow).count());
}

// Copies `a` and `b` in turn over the shown file: the median wait from the copy's end to the
// full frame of the new content.
double edits(const std::string& plyview, const path& folder, const path& a, const path& b,
             Millis gap) {
    const path shown = folder / "shown.ply";
    xsession::fs::copy_file(a, shown, xsession::fs::copy_options::overwrite_existing);
    Viewer viewer(plyview, shown);
    std::vector<double> waits;
    for (int edit = 0; edit < kEdits; ++edit) {
        std::this_thread::sleep_for(gap);
        const std::size_t before = viewer.log.count();
        xsession::fs::copy_file(edit % 2 == 0 ? b : a, shown,
                                xsession::fs::copy_options::overwrite_existing);
        const auto copied = Clock::now();
        const std::size_t frame = viewer.log.waitFor(before, "full", kFrameTimeout);
        waits.push_back(msBetween(copied, viewer.log[frame].seen));
    }
    return median(waits);
}

}  // namespace

int main(int argc, char** argv) {
    const bool splatFile = argc == 4 && std::string(argv[1]) == kSplatsFlag;
    if (argc != 3 && !splatFile) {
        std::fprintf(stderr,
                     "usage: window_bench PLYVIEW FOLDER\n"
                     "       window_bench --splats PLYVIEW FILE\n");
        return kUsageStatus;
    }
    const std::string plyview = xsession::fs::absolute(argv[argc - 2]).string();
    const path folder = xsession::fs::absolute(argv[argc - 1]);
    ::setenv(plyview::kFrameLogVariable, "1", 1);
    try {
        if (splatFile) {
            return splats(plyview, folder);
        }
        {
            Viewer big(plyview, folder / "sphere.ply");
            big.waitForProxy();
            orbit(big);
            answers(big);
        }
        {
            Viewer rest(plyview, folder / "torus.ply");
            idleCpu(rest);
        }
        xsession::TempDir scratch("plyview-window-bench-edits");
        const double small = edits(plyview, scratch.path(), folder / "torus-small.ply",
                                   folder / "sphere-small.ply", kSmallEditGap);
        const double big = edits(plyview, scratch.path(), folder / "torus.ply",
                                 folder / "sphere-1m.ply", kBigEditGap);
        std::printf("edit_ms small %.0f big %.0f edits %d\n", small, big, kEdits);
    } catch (const xsession::SessionError& error) {
        std::fprintf(stderr, "window_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
