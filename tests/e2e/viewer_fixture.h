// The end-to-end fixture: every test gets its own copy of the run folder (so it may replace
// model and shader files), its own virtual X server and its own viewer.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tools/xsession/xsession.h"

namespace e2e {

using xsession::Colour;
using xsession::Image;
namespace fs = std::filesystem;

// An octahedron around the origin: fits the view with room to move, and its faces part
// visibly when they breathe.
std::string octahedronPly();
// A thin rod along z: sideways steps (1/50 of its thin extent) are small next to the view, so a
// moving picture can be watched for many ticks before it leaves the window.
std::string rodPly();
// A flat wedge: an outline that no other test mesh shares.
std::string wedgePly();

std::vector<std::string> linesOf(const std::string& text);

xsession::ColourCounts coloursOf(const Image& image);
xsession::Spread greenOf(const Image& image);

class ViewerTest : public ::testing::Test {
  protected:
    ViewerTest();

    const fs::path& runDir() const { return runDir_; }
    // Replaces a file of the run folder in one step: written aside, then renamed over it.
    void replaceRunFile(const std::string& name, const std::string& bytes) const;
    void removeRunFile(const std::string& name) const;

    xsession::ViewerSession& start();
    Image startAndWaitForFirstFrame();
    xsession::ViewerSession& session() { return *session_; }
    // Escape, then the exit status; the console files are complete after this.
    int quit();
    std::vector<std::string> stdoutLines() { return linesOf(session_->process().stdoutText()); }
    std::vector<std::string> stderrLines() { return linesOf(session_->process().stderrText()); }

  private:
    xsession::TempDir root_;
    fs::path runDir_;
    fs::path logDir_;
    std::optional<xsession::ViewerSession> session_;
};

}  // namespace e2e
