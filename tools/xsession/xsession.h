// X session driver: a private virtual X server, a program started under it with its console
// captured, real key presses through XTest, the window's pixels, and PNG files. Shared by the
// end-to-end tests and the headless visit, so that both drive the viewer the same way.
// Every wait polls with a time-out; failures throw SessionError with a readable reason.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace xsession {

// ===== Common =====

using Millis = std::chrono::milliseconds;
namespace fs = std::filesystem;

class SessionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

constexpr char kEscape = 27;   // the Escape key, as a character for pressKey
constexpr char kDelete = 127;  // the Delete key, as a character for pressKey

enum class Arrow { kLeft, kRight, kUp, kDown };  // the arrow keys

// A fresh folder under the system's temporary folder, removed with its contents on destruction.
class TempDir {
  public:
    explicit TempDir(const std::string& prefix);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

std::string readFile(const fs::path& path);  // whole file; empty when it cannot be read

// ===== Pictures =====

// Pixels in rows from the top, three bytes (red, green, blue) per pixel.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    const std::uint8_t* pixel(int x, int y) const {
        return &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    }
    bool operator==(const Image& other) const {
        return width == other.width && height == other.height && rgb == other.rgb;
    }
    bool operator!=(const Image& other) const { return !(*this == other); }
};

enum class Colour { kWhite, kGreen, kRed, kBlue, kOther };

Colour classify(const std::uint8_t* rgb);

struct ColourCounts {
    long white = 0, green = 0, red = 0, blue = 0, other = 0;
};

ColourCounts countColours(const Image& image);

// Where the pixels of one colour class lie: centroid and bounding extent (inclusive).
struct Spread {
    long count = 0;
    double centreX = 0, centreY = 0;
    int minX = 0, maxX = -1, minY = 0, maxY = -1;
    int width() const { return maxX - minX + 1; }
    int height() const { return maxY - minY + 1; }
};

Spread spreadOf(const Image& image, Colour colour);

long differingPixels(const Image& a, const Image& b);

// ===== PNG files =====

void writePng(const fs::path& path, const Image& image);
Image readPng(const fs::path& path);

// ===== Processes =====

struct Launch {
    std::vector<std::string> argv;  // argv[0] is run as given, relative to workDir
    fs::path workDir = ".";
    std::vector<std::string> environment;  // "NAME=value" entries added to ours; "NAME" unsets
    fs::path stdoutPath = "/dev/null";
    fs::path stderrPath = "/dev/null";
    int inheritFd = -1;  // a descriptor the child keeps open, or -1
};

// A started program. Killed and reaped on destruction if it still runs.
class ChildProcess {
  public:
    explicit ChildProcess(const Launch& launch);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();                    // reaps the child when it has ended
    bool waitForExit(Millis timeout);  // true when it ended within the time-out
    // Exit status when it exited, 128 + signal when a signal ended it; only after it ended.
    int exitStatus() const { return status_; }
    std::string describeEnd() const;  // "exited with status 1", "killed by signal 9"
    void terminate(Millis grace);     // SIGTERM, then SIGKILL after the grace period
    std::string stdoutText() const { return readFile(launch_.stdoutPath); }
    std::string stderrText() const { return readFile(launch_.stderrPath); }
    // CPU time used so far (user + system) from /proc, in seconds.
    double cpuSeconds() const;

  private:
    void record(int waitStatus);

    Launch launch_;
    pid_t pid_ = -1;
    bool ended_ = false;
    bool signalled_ = false;
    int status_ = -1;
};

// ===== X server =====

// A private Xvfb on a free display number; stopped on destruction.
class VirtualServer {
  public:
    explicit VirtualServer(const fs::path& logDir);
    ~VirtualServer();
    VirtualServer(const VirtualServer&) = delete;
    VirtualServer& operator=(const VirtualServer&) = delete;
    const std::string& displayName() const { return display_; }

  private:
    std::optional<ChildProcess> server_;
    std::string display_;
};

// ===== X client =====

constexpr Millis kDoubleClickGap{80};  // between the two clicks of a double click

using WindowId = unsigned long;

struct Size {
    int width = 0;
    int height = 0;
};

struct Point {
    int x = 0;
    int y = 0;
};

// One connection to the server. X errors (a window that has gone) are recorded, not fatal.
class XClient {
  public:
    explicit XClient(const std::string& displayName);
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    // The first viewable window with this title; nullopt when none is there yet.
    std::optional<WindowId> findWindow(const std::string& title);
    Size clientSize(WindowId window);
    bool windowExists(WindowId window);
    // Without a window manager a window may hang over the screen's edge, where its pixels
    // cannot be read; this moves it fully onto the screen, as a window manager would.
    void placeOnScreen(WindowId window);
    // A press and release of the key that types `key` on the server's map (Shift held where
    // the map needs it: upper case, '?', '+', '_' ...), or of Escape for kEscape, Delete for
    // kDelete.
    void pressKey(WindowId window, char key);
    void pressArrow(WindowId window, Arrow arrow, bool shift = false);
    std::optional<Image> capture(WindowId window);  // nullopt when the window is gone
    void requestClose(WindowId window);             // WM_DELETE_WINDOW, as a window manager
    void destroyWindow(WindowId window);
    std::string title(WindowId window);  // empty when the window has gone
    // A press of `button` at `from`, the pointer moved in `steps` steps to `to` (`pause` after
    // each, for a drag at a hand's pace), a release; window coordinates. Buttons 1 left, 2
    // middle, 3 right, 4 and 5 the wheel. shiftDrag holds Shift down around it.
    void drag(WindowId window, unsigned button, Point from, Point to, int steps,
              Millis pause = Millis{0});
    void shiftDrag(WindowId window, unsigned button, Point from, Point to, int steps);
    void click(WindowId window, unsigned button);  // over the window's centre
    void click(WindowId window, unsigned button, Point at);
    void doubleClick(WindowId window, Point at);   // two left clicks kDoubleClickGap apart
    void controlClick(WindowId window, Point at);  // a left click with Control held
    // Wheel notches with the pointer at `at`: positive ones forward (button 4), negative ones
    // back (button 5).
    void wheel(WindowId window, Point at, int notches);
    void resize(WindowId window, Size size);  // as a window manager would

  private:
    void movePointerOver(WindowId window);
    void movePointerTo(WindowId window, Point at);
    void sendKeyCode(unsigned keycode, bool press);
    void sendKey(WindowId window, unsigned keycode, bool shift);  // a press and release
    void shiftKey(bool press);

    void* display_ = nullptr;  // Display*, kept opaque so that users need no Xlib headers
};

// ===== Viewer session =====

constexpr Millis kWindowTimeout{30000};
constexpr Millis kFrameTimeout{15000};
constexpr Millis kExitTimeout{15000};
constexpr const char* kViewerTitle = "Color Cube - Varnolt";

// A program (the viewer by default) running in `runDir` under its own virtual server, with its
// console captured in files under `logDir`.
class ViewerSession {
  public:
    ViewerSession(const fs::path& runDir, const fs::path& logDir,
                  const std::string& program = "./plyviewer");
    // Any program with its arguments, whose window has this title at start; `environment` as
    // in Launch.
    ViewerSession(const fs::path& runDir, const fs::path& logDir,
                  const std::vector<std::string>& argv, const std::string& title,
                  const std::vector<std::string>& environment = {});

    ChildProcess& process() { return *viewer_; }
    XClient& client() { return *client_; }
    WindowId window() const { return window_; }
    const std::string& displayName() const { return server_->displayName(); }

    // Waits for the titled window; throws when it does not appear or the program ends first.
    void waitForWindow(Millis timeout = kWindowTimeout);
    void press(char key);
    void press(const std::string& keys);  // one key after another
    void press(Arrow arrow, bool shift = false);
    Image capture();  // throws when the window has gone

    // Polls the window until `accept` holds for a capture; throws on time-out or when the
    // program ends.
    Image waitFor(const std::function<bool(const Image&)>& accept, const std::string& what,
                  Millis timeout = kFrameTimeout);
    Image waitForChange(const Image& from, Millis timeout = kFrameTimeout);
    // Waits until consecutive captures over a short span are identical (and `accept` holds).
    Image waitForStable(Millis timeout = kFrameTimeout,
                        const std::function<bool(const Image&)>& accept = nullptr);
    // The first frame: a stable picture that shows some of the green wireframe.
    Image waitForFirstFrame(Millis timeout = kWindowTimeout);
    int waitForExit(Millis timeout = kExitTimeout);  // throws on time-out

  private:
    void requireRunning(const std::string& what);

    std::optional<VirtualServer> server_;
    std::optional<XClient> client_;
    std::optional<ChildProcess> viewer_;
    std::string title_;
    WindowId window_ = 0;
};

}  // namespace xsession
