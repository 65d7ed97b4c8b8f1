// The headless visit: starts the viewer under a private virtual X server, plays a short
// scripted visit with real key presses and saves a screenshot after each step.
//   plyviewer_visit RUN_FOLDER OUTPUT_FOLDER
#include <iostream>

#include "tools/xsession/xsession.h"

namespace {

using xsession::Colour;
using xsession::Image;
using xsession::ViewerSession;

constexpr int kUsageStatus = 2;
constexpr int kFailureStatus = 1;
constexpr int kAnimationChanges = 3;  // pictures seen move before an animation is paused

// Overlays off and the wireframe on screen.
bool plainWireframe(const Image& image) {
    const xsession::ColourCounts counts = xsession::countColours(image);
    return counts.green > 0 && counts.red == 0 && counts.blue == 0;
}

// Lets a running animation move the picture a few times, then pauses it with `key`.
Image pauseAfterMoving(ViewerSession& session, const Image& before, char key) {
    Image seen = before;
    for (int i = 0; i < kAnimationChanges; ++i) {
        seen = session.waitForChange(seen);
    }
    session.press(key);
    return session.waitForStable();
}

Image pressAndSettle(ViewerSession& session, const std::string& keys, const Image& before) {
    session.press(keys);
    session.waitForChange(before);
    return session.waitForStable();
}

class Album {
  public:
    explicit Album(const xsession::fs::path& folder) : folder_(folder) {
        xsession::fs::create_directories(folder_);
    }
    void save(const std::string& name, const Image& image) {
        xsession::writePng(folder_ / name, image);
        names_.push_back(name);
    }
    void print() const {
        std::cout << "screenshots in " << xsession::fs::absolute(folder_).string() << ":\n";
        for (const std::string& name : names_) {
            std::cout << "  " << name << "\n";
        }
    }

  private:
    xsession::fs::path folder_;
    std::vector<std::string> names_;
};

void visit(const xsession::fs::path& runDir, Album& album) {
    if (!xsession::fs::exists(runDir / "plyviewer")) {
        throw xsession::SessionError("no plyviewer in " + runDir.string());
    }
    xsession::TempDir logs("plyviewer-visit");
    ViewerSession session(runDir, logs.path());
    const Image first = session.waitForFirstFrame();
    album.save("01-first-model.png", first);
    const Image box = pressAndSettle(session, "e", first);
    album.save("02-bounding-box.png", box);
    const Image normals = pressAndSettle(session, "m", box);
    album.save("03-normals.png", normals);
    session.press("emN");
    const Image next = session.waitForStable(xsession::kFrameTimeout, plainWireframe);
    album.save("04-next-model.png", next);
    session.press('R');
    const Image tour = pauseAfterMoving(session, next, 'R');
    album.save("05-tour.png", tour);
    session.press("WB");
    // "B" would stop the breathing with the faces back at rest; an axis key stops it where it is.
    album.save("06-breathing.png", pauseAfterMoving(session, tour, 'x'));
    session.press(xsession::kEscape);
    const int status = session.waitForExit();
    if (status != 0) {
        throw xsession::SessionError("the viewer " + session.process().describeEnd() +
                                     " after Escape");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: plyviewer_visit RUN_FOLDER OUTPUT_FOLDER\n";
        return kUsageStatus;
    }
    try {
        Album album(argv[2]);
        visit(argv[1], album);
        album.print();
    } catch (const std::exception& error) {
        std::cerr << "plyviewer_visit: " << error.what() << "\n";
        return kFailureStatus;
    }
    return 0;
}
