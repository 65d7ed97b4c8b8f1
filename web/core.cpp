// The page's viewer core: plyview's own readers, model storage, camera, styles, keys and mouse
// behind the page's platform part, the same sources as the desktop viewer's.
#include <GL/glut.h>

#include <memory>

#include "plyview/plyview.h"
#include "web/web.h"

namespace web {

namespace {

constexpr unsigned char kEscape = 27;  // ends the desktop viewer; a page has nothing to end
constexpr int kNoEntry = -1;           // the scene shows no entry of the list

void entryShown(int entry) {
    plyview::orbit = plyview::Orbit();
    const std::vector<std::string>& files = plyview::usedFiles();
    showFile(files[static_cast<std::size_t>(entry)], entry, static_cast<int>(files.size()));
}

// Work between events, as often as the scene asks for it.
void tick(int) {
    glutTimerFunc(static_cast<unsigned>(plyview::sceneTick() * 1000), tick, 0);
}

void useList(const std::vector<std::string>& paths) {
    plyview::useFiles(paths);
    resetAnimation();
    modelIndex = kFirstModel;
}

}  // namespace

void startCore() {
    plyview::startScene(plyview::SceneTarget{0, nullptr, true});
    plyview::showModel(kFirstModel, nullptr, {});  // nothing to show before the first files
    plyview::setEntryListener(entryShown);
    glutTimerFunc(0, tick, 0);
}

// A single file that cannot be read leaves the list shown before, with its reason on the page;
// among several, such a file keeps its place and shows an empty frame, as on the desktop.
int openFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return 0;
    }
    const plyview::FileStamp stamp = plyview::stampOf(paths.front());
    std::unique_ptr<FileModel> first = plyview::readAndTell(paths.front());
    if (!first && paths.size() == 1) {
        return 0;
    }
    useList(paths);
    // A model already read is shown as the first entry; otherwise nothing is, and the first
    // frame reads the list's first file again, as it does for any entry.
    const bool read = first != nullptr;
    plyview::showModel(read ? kFirstModel : kNoEntry, std::move(first), stamp);
    if (read) {
        entryShown(kFirstModel);
    }
    requestFrame();
    return static_cast<int>(paths.size());
}

void drawFrame() {
    display();
}

void resizeView(int width, int height) {
    plyview::resizeView(width, height);
}

void pressKey(unsigned char key) {
    if (key != kEscape) {
        plyview::pressKey(key);
    }
}

void pressButton(int button, bool down, int x, int y) {
    plyview::pressButton(button, down, x, y);
}

void movePointer(int x, int y) {
    plyview::movePointer(x, y);
}

}  // namespace web
