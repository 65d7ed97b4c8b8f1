// A viewer under its own virtual server: started, watched, driven by keys and photographed.
// Every wait polls the window and gives up after its time-out or when the viewer has ended.
#include <cctype>
#include <thread>

#include "tools/xsession/xsession.h"

namespace xsession {

namespace {

constexpr Millis kPollInterval{25};            // between two captures or window searches
constexpr Millis kStableSpan{300};             // a picture unchanged this long counts as stable
constexpr int kStableSamples = 3;              // and seen unchanged in at least this many captures
constexpr std::size_t kQuotedErrorSize = 400;  // error output quoted in a failure message

using Clock = std::chrono::steady_clock;

std::string timedOut(const std::string& what, Millis timeout) {
    return "timed out after " + std::to_string(timeout.count()) + " ms waiting for " + what;
}

}  // namespace

ViewerSession::ViewerSession(const fs::path& runDir, const fs::path& logDir,
                             const std::string& program)
    : ViewerSession(runDir, logDir, std::vector<std::string>{program}, kViewerTitle) {}

ViewerSession::ViewerSession(const fs::path& runDir, const fs::path& logDir,
                             const std::vector<std::string>& argv, const std::string& title,
                             const std::vector<std::string>& environment)
    : title_(title) {
    server_.emplace(logDir);
    client_.emplace(server_->displayName());
    Launch launch;
    launch.argv = argv;
    launch.workDir = runDir;
    launch.environment = {"DISPLAY=" + server_->displayName()};
    launch.environment.insert(launch.environment.end(), environment.begin(), environment.end());
    launch.stdoutPath = logDir / "stdout.txt";
    launch.stderrPath = logDir / "stderr.txt";
    viewer_.emplace(launch);
}

void ViewerSession::requireRunning(const std::string& what) {
    if (viewer_->running()) {
        return;
    }
    std::string errors = viewer_->stderrText().substr(0, kQuotedErrorSize);
    while (!errors.empty() && std::isspace(static_cast<unsigned char>(errors.back()))) {
        errors.pop_back();
    }
    throw SessionError("the viewer " + viewer_->describeEnd() + " while waiting for " + what +
                       "; its error output: " + (errors.empty() ? "(none)" : errors));
}

void ViewerSession::waitForWindow(Millis timeout) {
    const auto deadline = Clock::now() + timeout;
    const std::string what = "the window \"" + title_ + "\"";
    for (;;) {
        requireRunning(what);
        if (const auto found = client_->findWindow(title_)) {
            window_ = *found;
            client_->placeOnScreen(window_);
            return;
        }
        if (Clock::now() >= deadline) {
            throw SessionError(timedOut(what, timeout));
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

void ViewerSession::press(char key) {
    requireRunning("a key press");
    client_->pressKey(window_, key);
}

void ViewerSession::press(const std::string& keys) {
    for (char key : keys) {
        press(key);
    }
}

void ViewerSession::press(Arrow arrow, bool shift) {
    requireRunning("an arrow key");
    client_->pressArrow(window_, arrow, shift);
}

Image ViewerSession::capture() {
    requireRunning("a capture");
    auto image = client_->capture(window_);
    if (!image) {
        throw SessionError("the viewer's window could not be read");
    }
    return *image;
}

Image ViewerSession::waitFor(const std::function<bool(const Image&)>& accept,
                             const std::string& what, Millis timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        Image image = capture();
        if (accept(image)) {
            return image;
        }
        if (Clock::now() >= deadline) {
            throw SessionError(timedOut(what, timeout));
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

Image ViewerSession::waitForChange(const Image& from, Millis timeout) {
    return waitFor([&from](const Image& image) { return image != from; }, "the picture to change",
                   timeout);
}

Image ViewerSession::waitForStable(Millis timeout,
                                   const std::function<bool(const Image&)>& accept) {
    std::optional<Image> last;
    auto since = Clock::now();
    int samples = 0;
    auto stable = [&](const Image& image) {
        const auto now = Clock::now();
        if (!last || *last != image) {
            last = image;
            since = now;
            samples = 1;
            return false;
        }
        ++samples;
        return samples >= kStableSamples && now - since >= kStableSpan &&
               (!accept || accept(image));
    };
    return waitFor(stable, "a stable picture", timeout);
}

Image ViewerSession::waitForFirstFrame(Millis timeout) {
    waitForWindow(timeout);
    return waitForStable(
        timeout, [](const Image& image) { return spreadOf(image, Colour::kGreen).count > 0; });
}

int ViewerSession::waitForExit(Millis timeout) {
    if (!viewer_->waitForExit(timeout)) {
        throw SessionError(timedOut("the viewer to end", timeout));
    }
    return viewer_->exitStatus();
}

}  // namespace xsession
