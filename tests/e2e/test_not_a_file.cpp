// A catalogue name that is not a regular file: a FIFO (which would block an open), a link to
// /dev/zero (which never ends) and a directory. Each gives one line, the viewer keeps drawing
// (the key presses before Escape are each a frame) and its memory stays flat.
#include <sys/stat.h>

#include <fstream>
#include <functional>

#include "tests/e2e/viewer_fixture.h"

namespace e2e {
namespace {

constexpr int kRounds = 3;                // box on/off rounds drawn with the file in place
constexpr long kMaxResidentKiB = 300000;  // far below what reading /dev/zero would take

long residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string word;
    while (status >> word) {
        if (word == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return -1;
}

class NotAFile : public ViewerTest {};

TEST_F(NotAFile, EachKindIsRefusedOnceAndTheViewerKeepsDrawing) {
    const fs::path model = runDir() / "airplane.ply";
    const std::vector<std::pair<std::function<void()>, std::string>> kinds = {
        {[&] { ASSERT_EQ(::mkfifo(model.c_str(), 0600), 0); }, "a FIFO"},
        {[&] { fs::create_symlink("/dev/zero", model); }, "a device"},
        {[&] { fs::create_directory(model); }, "a directory"},
    };
    for (const auto& [make, kind] : kinds) {
        SCOPED_TRACE(kind);
        fs::remove_all(model);
        make();
        start().waitForWindow();
        session().waitForStable();                       // the empty white frame
        session().press(std::string(2 * kRounds, 'e'));  // each press draws a frame
        EXPECT_LT(residentKiB(session().process().pid()), kMaxResidentKiB);
        ASSERT_EQ(quit(), 0);
        EXPECT_EQ(stderrLines(),
                  std::vector<std::string>{"airplane.ply: not a regular file (" + kind + ")"});
    }
}

}  // namespace
}  // namespace e2e
