// The file viewer's end-to-end fixture: a work folder of its own for the files a test writes,
// plyview in a window under its own virtual server or without a display, and the test models
// written by our own PLY writer.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/viewer_fixture.h"
#include "tools/plywrite/plywrite.h"

namespace e2e {

constexpr unsigned kLeftButton = 1, kRightButton = 3, kWheelUp = 4;
constexpr mode_t kLockFileMode = 0644;

struct P3 {
    double x, y, z;
};

// ASCII PLY by our own writer, coordinates in double so that survey values keep their digits.
std::string plyOf(plywrite::Mesh mesh);
// A UV sphere: rings of `slices` points between two poles.
std::string spherePly(double radius, P3 centre, int slices = 24, int stacks = 12);
// A closed box from `low` to `high`, as six quads.
std::string boxPly(P3 low, P3 high);
// "NAME (k/n) - plyview"
std::string title(const std::string& name, int place, int count);
// The green wireframe spans at least half of the window's smaller side and touches no edge.
void expectFills(const Image& image, const std::string& what);

class Plyview : public ::testing::Test {
  protected:
    Plyview() : root_("plyview-e2e"), work_(root_.path() / "work"), logs_(root_.path() / "logs") {
        fs::create_directories(work_);
        fs::create_directories(logs_);
    }

    // Writes a file under the work folder (sub-folders made as needed); returns its path.
    fs::path write(const std::string& name, const std::string& text) const {
        const fs::path path = work_ / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // plyview in a window with `environment` added to ours.
    xsession::ViewerSession& start(const std::vector<std::string>& args,
                                   const std::string& firstTitle,
                                   const std::vector<std::string>& environment = {}) {
        std::vector<std::string> argv{PLYVIEW_EXE};
        argv.insert(argv.end(), args.begin(), args.end());
        session_.emplace(work_, logs_, argv, firstTitle, environment);
        return *session_;
    }

    Image startAndWait(const std::vector<std::string>& args, const std::string& firstTitle) {
        return start(args, firstTitle).waitForFirstFrame();
    }

    // Presses a key that shows another file; once the window has that file's title, its frame.
    Image step(char key, const std::string& title) {
        session_->press(key);
        session_->waitFor(
            [&](const Image&) { return session_->client().title(session_->window()) == title; },
            "the title \"" + title + "\"");
        return session_->waitForStable();
    }

    // Runs plyview (or another program) to its end without a display, with `environment` added
    // to ours; its status, with the console in files.
    int runHeadless(const std::vector<std::string>& args, const fs::path& program = PLYVIEW_EXE,
                    const std::vector<std::string>& environment = {},
                    xsession::Millis timeout = xsession::kExitTimeout) {
        xsession::Launch launch;
        launch.argv = {program.string()};
        launch.argv.insert(launch.argv.end(), args.begin(), args.end());
        launch.workDir = work_;
        launch.environment = {"DISPLAY", "WAYLAND_DISPLAY"};
        launch.environment.insert(launch.environment.end(), environment.begin(), environment.end());
        launch.stdoutPath = logs_ / "headless-out.txt";
        launch.stderrPath = logs_ / "headless-err.txt";
        xsession::ChildProcess child(launch);
        EXPECT_TRUE(child.waitForExit(timeout));
        return child.exitStatus();
    }
    std::string headlessErrors() const { return xsession::readFile(logs_ / "headless-err.txt"); }
    std::string headlessOutput() const { return xsession::readFile(logs_ / "headless-out.txt"); }

    // `cmake --install` of the build tree into `prefix`. Installs from the one tree take turns
    // (tests run side by side): each rewrites the tree's install manifest.
    void install(const fs::path& prefix) {
        const fs::path lockPath = fs::path(PLYVIEWER_BUILD_DIR) / "e2e-install.lock";
        struct Turn {
            int fd;
            ~Turn() { ::close(fd); }  // closing lets the next install go
        } turn{::open(lockPath.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, kLockFileMode)};
        ASSERT_GE(turn.fd, 0) << lockPath;
        ASSERT_EQ(::flock(turn.fd, LOCK_EX), 0);
        ASSERT_EQ(runHeadless({"--install", PLYVIEWER_BUILD_DIR, "--prefix", prefix.string()},
                              PLYVIEWER_CMAKE),
                  0)
            << headlessErrors();
    }

    xsession::ViewerSession& session() { return *session_; }
    const fs::path& work() const { return work_; }

    int quit() {
        session_->press(xsession::kEscape);
        return session_->waitForExit();
    }

  private:
    xsession::TempDir root_;
    fs::path work_;
    fs::path logs_;
    std::optional<xsession::ViewerSession> session_;
};

}  // namespace e2e
