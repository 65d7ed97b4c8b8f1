// The real viewer, built with AddressSanitizer and UndefinedBehaviorSanitizer, through a
// scripted session of real key presses: both overlays, every animation started and stopped,
// every model of the catalogue, a tour to its end, and Escape. Any sanitizer report fails the
// session, and so does any leak that LeakSanitizer finds at exit outside the libraries named
// in tests/lsan.supp.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tools/xsession/xsession.h"

namespace e2e {
namespace {

using xsession::Image;
using xsession::Millis;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kModels = 43;
constexpr int kTourStart = kModels - 3;  // a tour from here turns the last three models
constexpr Millis kFrameTimeout{60000};   // a sanitized frame of the largest model is slow
constexpr Millis kTourTimeout{300000};   // three turns of 144 frames each, sanitized
constexpr const char* kReportPrefix = "sanitizer";  // ASan and LSan reports: sanitizer.<pid>
const std::vector<std::string> kFindings = {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer",
                                            "runtime error:", "SUMMARY:"};
// Calls that only an instrumented build makes.
const std::vector<std::string> kInstrumentation = {"__asan_report_", "__ubsan_handle_"};

bool hasBlue(const Image& image) {
    return xsession::countColours(image).blue > 0;
}
bool hasRed(const Image& image) {
    return xsession::countColours(image).red > 0;
}

// The sanitizer settings go to the viewer alone; the X server and this driver run without
// them. ASan and LSan write their reports to files, UBSan to the captured error output.
// Preloading the GL driver keeps it mapped after the display is closed at exit, so that the
// leak report can still name it and its suppression applies.
std::string launcherScript(const fs::path& reportBase) {
    std::ostringstream script;
    script << "#!/bin/sh\n"
           << "export LD_PRELOAD='" << PLYVIEWER_ASAN_RUNTIME << ":" << PLYVIEWER_GL_DRIVER << "'\n"
           << "export ASAN_OPTIONS='detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1"
           << ":check_initialization_order=1:strict_init_order=1:strict_string_checks=1"
           << ":log_path=" << reportBase.string() << "'\n"
           << "export UBSAN_OPTIONS='halt_on_error=1:print_stacktrace=1'\n"
           << "export LSAN_OPTIONS='suppressions=" << PLYVIEWER_LSAN_SUPPRESSIONS
           << ":print_suppressions=1'\n"
           << "exec ./plyviewer\n";
    return script.str();
}

// Everything the sanitizers wrote to files, file by file.
std::string sanitizerLogs(const fs::path& dir) {
    std::string all;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kReportPrefix, 0) == 0) {
            all += "--- " + name + "\n" + xsession::readFile(entry.path());
        }
    }
    return all;
}

bool isInstrumented(const fs::path& program) {
    const std::string bytes = xsession::readFile(program);
    for (const std::string& call : kInstrumentation) {
        if (bytes.find(call) == std::string::npos) {
            return false;
        }
    }
    return true;
}

bool hasFinding(const std::string& reports) {
    for (const std::string& finding : kFindings) {
        if (reports.find(finding) != std::string::npos) {
            return true;
        }
    }
    return false;
}

class Memcheck : public ::testing::Test {
  protected:
    Memcheck() : root_("plyviewer-memcheck") {
        const fs::path runDir = root_.path() / "run";
        fs::create_directories(logDir());
        fs::copy(PLYVIEWER_RUN_DIR, runDir, fs::copy_options::recursive);
        const fs::path launcher = root_.path() / "sanitized-viewer.sh";
        std::ofstream(launcher) << launcherScript(logDir() / kReportPrefix);
        ::chmod(launcher.c_str(), S_IRWXU);
        session_.emplace(runDir, logDir(), launcher.string());
    }

    fs::path logDir() const { return root_.path() / "logs"; }
    xsession::ViewerSession& session() { return *session_; }

    void press(char key) {
        session_->press(key);
        ++keys_;
    }
    Image await(const std::function<bool(const Image&)>& accept, const std::string& what,
                Millis timeout = kFrameTimeout) {
        ++pictures_;
        return session_->waitFor(accept, what, timeout);
    }
    // Waits until the picture has settled into one that `accept` takes (any, when empty).
    Image awaitStable(const std::function<bool(const Image&)>& accept = nullptr,
                      Millis timeout = kFrameTimeout) {
        ++pictures_;
        return session_->waitForStable(timeout, accept);
    }
    Image awaitSame(const Image& expected, const std::string& what) {
        return await([&expected](const Image& i) { return i == expected; }, what);
    }
    Image awaitNew(const Image& from) {
        return awaitStable([&from](const Image& i) { return i != from; });
    }
    Image awaitChange(const Image& from) {
        return await([&from](const Image& i) { return i != from; }, "a changed picture");
    }

    // A started animation changes the picture, the same key stops it on a still picture, and
    // "W" puts the first model back at rest.
    void startStopAndReset(char key, const Image& rest) {
        press(key);
        awaitChange(rest);
        press(key);
        awaitStable();
        press('W');
        awaitSame(rest, std::string("the first model at rest after \"") + key + "\"");
    }

    // The key presses of the session, each followed by a wait for the picture it brings.
    void playScript() {
        const Image plain = session_->waitForFirstFrame(kFrameTimeout);
        // Both overlays stay on through the animations, the catalogue and the tour, so that
        // normals and boxes are assembled for every model, the largest included.
        press('e');
        await(hasBlue, "the bounding box");
        press('m');
        const Image rest = awaitStable(hasRed);
        for (char key : std::string("xXyYzZBR")) {
            startStopAndReset(key, rest);
        }
        Image shown = rest;
        for (int model = 1; model <= kModels; ++model) {
            press('N');
            shown = awaitNew(shown);
        }
        EXPECT_EQ(shown, rest) << kModels << " steps of \"N\" should end on the first model";
        for (int model = kModels - 1; model >= kTourStart; --model) {
            press('P');
            shown = awaitNew(shown);
        }
        press('R');
        awaitChange(shown);
        awaitStable([&rest](const Image& i) { return i == rest; }, kTourTimeout);
        press('e');
        await([](const Image& i) { return !hasBlue(i); }, "no bounding box");
        press('m');
        awaitSame(plain, "the plain first model");
        press(xsession::kEscape);
        session_->waitForExit(kFrameTimeout);
    }

    // What the sanitizers wrote, to their report files and to the console.
    std::string reports() { return sanitizerLogs(logDir()) + session_->process().stderrText(); }

    int keys_ = 0;
    int pictures_ = 0;

  private:
    xsession::TempDir root_;
    std::optional<xsession::ViewerSession> session_;
};

TEST_F(Memcheck, ScriptedSessionEndsCleanlyWithoutSanitizerFindings) {
    ASSERT_TRUE(isInstrumented(fs::path(PLYVIEWER_RUN_DIR) / "plyviewer"))
        << "the viewer in " << PLYVIEWER_RUN_DIR << " is not a sanitizer build";
    const auto started = Clock::now();
    std::string interrupted;
    try {
        playScript();
    } catch (const xsession::SessionError& error) {
        interrupted = error.what();
    }
    // A viewer left running (a hang, a failed check) is stopped; one that a sanitizer ended
    // has written its report already.
    session().process().terminate(kFrameTimeout);
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    const std::string found = reports();
    const bool clean =
        interrupted.empty() && session().process().exitStatus() == 0 && !hasFinding(found);
    std::cout << "memcheck: " << keys_ << " keys, " << pictures_ << " pictures awaited, " << kModels
              << " models, tour " << kTourStart << "-" << kModels - 1 << ", " << seconds
              << " s; viewer " << session().process().describeEnd() << "; "
              << (clean ? "clean" : "FAILED") << "\n"
              << found;  // when clean: the table of the suppressions that matched
    EXPECT_EQ(interrupted, "") << found;
    EXPECT_EQ(session().process().exitStatus(), 0) << found;
    EXPECT_FALSE(hasFinding(found)) << found;
}

}  // namespace
}  // namespace e2e
