// Public interface of plyview/: the file viewer's front end on the catalogue viewer's core. It
// turns the command line into a catalogue, frames any model with its own camera, orbits it
// with the mouse in a window, and draws pictures into PNG files without a display. Top of the
// include chain; used by its main and its tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "input/input.h"

namespace plyview {

// ===== Constants =====

constexpr const char* kProgramName = "plyview";
constexpr int kDefaultPictureSize = 512;  // --png width and height when --size is not given
constexpr int kMaxPictureSize = 8192;     // per side, within every renderer's framebuffer limit
constexpr int kStatusOk = 0;
constexpr int kStatusFailed = 1;          // a file or the renderer failed
constexpr int kStatusUsage = 2;           // the command line itself is wrong
constexpr unsigned char kKeyStyle = 's';  // the next display style

// ===== Command line =====

// How the model is drawn: `--style` chooses the first one, the key `s` steps through them in
// this order and wraps around.
enum class Style { kWire, kSurface, kEdges };

struct Options {
    std::vector<std::string> inputs;  // files and folders, as given
    std::string pngOut;               // --png OUT: a file, or a folder for several models
    int width = kDefaultPictureSize;  // --size WxH, for the picture or the window
    int height = kDefaultPictureSize;
    Style style = Style::kWire;  // --style wire|surface|edges
    bool help = false;
};

struct ParseResult {
    Options options;
    std::string error;  // empty when the command line is good
};

ParseResult parseCommandLine(int argc, const char* const* argv);
std::string usageLine();
std::string helpText();  // usage, keys, mouse and options

bool isFolder(const std::string& path);

// The catalogue from the inputs: a folder gives its *.ply files (any case of the extension) in
// byte order of their names, a file stays as given. Folders that cannot be listed or hold no
// PLY file are reported in `problems`, one line each.
std::vector<std::string> expandInputs(const std::vector<std::string>& inputs,
                                      std::vector<std::string>& problems);

// Picture names for --png with several models: OUT/<name>.png, "-2", "-3" ... where names repeat.
std::vector<std::string> pictureNames(const std::vector<std::string>& paths,
                                      const std::string& folder);

// "bunny.ply (2/5) - plyview": the file's own name, its place counted from 1, the program.
std::string windowTitle(const std::string& path, int index, int count);

// ===== Camera =====

struct Box {
    float minX, maxX, minY, maxY, minZ, maxZ;
};

// How the model is looked at: its centre on the line of sight, `distance` in front of the eye.
struct Framing {
    float centreX = 0, centreY = 0, centreZ = 0;
    float distance = 1;  // eye to box centre at rest
    float radius = 1;    // half the box diagonal: the model stays within it however it turns
};

constexpr double kFillMargin = 0.9;   // the box's widest corner reaches 90 % of the half-view
constexpr double kMinStandOff = 0.5;  // in radii, in front of the box's near face
constexpr double kDepthSlack = 1.25;  // radii around the model kept between near and far

// The distance at which the whole box is in view, seen from +z, at a window's aspect ratio. A
// box without extent is framed as a unit box around its point; an empty (inverted) box as a
// unit box around the origin.
Framing frameBox(const Box& box, float aspect);

// The box a model sweeps when it turns about the vertical axis through its box centre: x and z
// reach out to the corners' distance from that axis. The tour is framed with it.
Box turntableBox(const Box& box);

// What the mouse changed: turns about the box centre and a distance factor.
struct Orbit {
    float yaw = 0;    // degrees about the vertical axis
    float pitch = 0;  // degrees about the horizontal axis, within +-kMaxPitch
    float zoom = 1;   // distance factor, within kMinZoom..kMaxZoom
};

constexpr float kDegreesPerPixel = 0.5f;
constexpr float kMaxPitch = 90.0f;
constexpr float kWheelZoom = 0.9f;      // one wheel step towards the model
constexpr float kZoomPerPixel = 0.01f;  // right drag: exp(pixels * this)
constexpr float kMinZoom = 0.02f;
constexpr float kMaxZoom = 50.0f;

extern Orbit orbit;  // the mouse view of the window; reset when another file is shown

void turn(Orbit& view, int dx, int dy);  // left drag by (dx, dy) pixels
void zoomBy(Orbit& view, float factor);  // wheel and right drag

// The file viewer's camera from the store: framing of the loaded box, the orbit, and the
// keyboard's offsets, turntable angle and tour centring. Installed with setCamera.
void fileCamera(Mat4& projection, Mat4& model);
// What the keys and animations add: offsets in view space and the turntable angle.
struct Motion {
    float offsetX = 0, offsetY = 0, offsetZ = 0;
    float spin = 0;  // degrees about the vertical axis
};

// The same from explicit values; fileCamera passes the store's.
void viewMatrices(const Framing& framing, const Orbit& view, const Motion& motion, float aspect,
                  Mat4& projection, Mat4& model);

// ===== Reading a file =====

// Sets the memory figure a file's needs are held against, in MB, for the tests: no test can
// fill a machine's memory, and a `ulimit` is not survived by the renderer or the sanitizers.
constexpr const char* kMemoryVariable = "PLYVIEW_MEMORY_AVAILABLE_MB";
constexpr std::uint64_t kBytesPerMB = 1000000;
constexpr std::size_t kHeadBytes = 1 << 16;  // read first, to judge the memory a file needs

// What the process can still take: MemAvailable, less what RLIMIT_AS, RLIMIT_DATA and the
// cgroup's memory.max leave; kMemoryVariable overrides it.
std::uint64_t availableMemoryBytes();

// Reads the whole file with read() into one buffer of its size, parses it into `model` and
// releases the buffer. Before anything large is allocated, the memory the file needs is held
// against what is available. False with `problem` set, without the path: "needs about N MB, M
// MB available", "not a regular file (a FIFO)", the system's reason, or the reader's.
bool readFileModel(const std::string& path, FileModel& model, std::string& problem);

// What a file's status says of its contents: a change of any field is an edit. Links are
// followed; `exists` is false when the path names nothing (or nothing readable).
struct FileStamp {
    bool exists = false;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modified = 0, changed = 0;  // nanoseconds
    bool operator==(const FileStamp& other) const;
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
FileStamp stampOf(const std::string& path);

// One line on standard error, "PATH: problem", with the path as the user gave it.
void report(const std::string& path, const std::string& problem);
// What the user should know about a model that was read: one stdout line each, per read.
void tellNotes(const std::string& path, const PlyNotes& notes);
// readFileModel with what it found said: the notes of a model read, or the refusal's line;
// null when the file was refused.
std::unique_ptr<FileModel> readAndTell(const std::string& path);

// ===== Geometry on the GPU =====

// Where every program of the file viewer reads its vertices: bound before the programs are
// linked, so that one vertex array serves them all.
constexpr GLuint kPositionSlot = 0;
constexpr GLuint kColourSlot = 1;
constexpr GLuint kNormalSlot = 2;

// Vertices handed to the GPU: `count` positions, and as many normals and colours when they have
// them (null otherwise). The caller keeps them until the upload returns.
struct VertexSpan {
    const float* positions = nullptr;       // x, y, z
    const float* normals = nullptr;         // x, y, z
    const std::uint8_t* colours = nullptr;  // kColourBytes each
    std::uint64_t count = 0;

    static VertexSpan of(const std::vector<float>& positions,
                         const std::vector<float>* normals = nullptr,
                         const std::vector<std::uint8_t>* colours = nullptr);
};

// Lines, triangles or points of one model on the GPU, in pieces within one buffer's and one
// draw call's limits. A geometry without colours is drawn in the constant colour of kColourSlot.
// Objects are released only by release() (at exit the context may be gone).
class GpuGeometry {
  public:
    // Primitives indexed into the vertices: pairs (GL_LINES) or triples (GL_TRIANGLES).
    void uploadIndexed(GLenum mode, const VertexSpan& vertices,
                       const std::vector<std::uint32_t>& indices);
    // Vertices drawn as they come: GL_POINTS, GL_LINES (pairs), GL_TRIANGLES or GL_LINE_STRIP.
    void uploadArray(GLenum mode, const VertexSpan& vertices);
    // Primitives [first, first + count); `ownColours` false draws a coloured geometry in the
    // constant colour (a wireframe is green whatever the file's colours).
    void draw(std::uint64_t first, std::uint64_t count, bool ownColours = true) const;
    void drawAll(bool ownColours = true) const { draw(0, primitives_, ownColours); }
    std::uint64_t primitives() const { return primitives_; }
    bool empty() const { return pieces_.empty(); }
    bool hasColours() const { return vertices_.colours != 0; }
    void release();

  private:
    struct Piece {
        GLuint array = 0;                    // vertex array of the piece
        GLuint indices = 0;                  // element buffer, or 0 for plain arrays
        std::uint64_t first = 0, count = 0;  // primitives it holds
    };
    struct VertexBuffers {  // of the vertices uploaded last; 0 where they have no such attribute
        GLuint positions = 0, normals = 0, colours = 0;
    };
    GLuint vertexArray(const VertexSpan& vertices);
    GLuint sharedArray() const;
    void uploadSelfContained(const VertexSpan& all, const std::vector<std::uint32_t>& indices);

    GLenum mode_ = GL_LINES;
    std::vector<Piece> pieces_;
    std::vector<GLuint> buffers_;  // vertex buffers
    VertexBuffers vertices_;
    std::uint64_t primitives_ = 0;
};

// Lowers the bytes one buffer may hold (0: back to the real limit), so that the tests see a
// model split into pieces without a model of gigabytes.
void setBufferLimitForTests(std::uint64_t bytes);

// ===== The proxy, built away from the drawing thread =====

// Slows every proxy build by this many milliseconds, for the tests of a window that answers
// while one is built.
constexpr const char* kProxyDelayVariable = "PLYVIEW_TEST_PROXY_DELAY_MS";

struct ProxyJob {
    std::shared_ptr<const FileModel> model;  // read only while the job runs
    std::atomic<bool> cancel{false};         // set by the drawing thread: stop soon
    std::atomic<bool> done{false};           // set by the job; then the rest may be read
    bool built = false;                      // false when cancelled
    FileModel proxy;
};

// Starts the job: on a thread of its own that nothing waits for where there are threads (ending
// the program, another file or an edit only set `cancel`), at once where there are none.
void startProxyJob(const std::shared_ptr<ProxyJob>& job);
// The job's work, wherever it runs: the proxy, then `done`.
void runProxyJob(ProxyJob& job);
// About how many triangles a proxy keeps here: as many as the platform draws in a moving frame.
std::size_t proxyTriangles();

// ===== The file viewer's frames =====

// Prints one line per frame shown, "frame full|proxy|breathing|nothing <ms since start>", and
// "proxy <triangles> triangles <vertices> vertices" when a proxy is ready, for the tests and
// benchmarks that must tell the proxy from the full model in a real window.
constexpr const char* kFrameLogVariable = "PLYVIEW_TEST_LOG";

constexpr double kSettleSeconds = 0.2;          // after the last motion, the full model again
constexpr double kWatchSeconds = 0.1;           // how often the shown file's status is looked at
constexpr double kStepSeconds = 0.04;           // one step of a full redraw drawn in pieces
constexpr std::uint64_t kDirectLines = 600000;  // more lines than this are drawn in steps
constexpr std::uint64_t kFirstStepLines = 250000;

// Where frames go: the window (with a swap per frame) or a framebuffer drawn offscreen.
struct SceneTarget {
    GLuint framebuffer = 0;       // 0: the window
    void (*present)() = nullptr;  // shows a finished frame; null offscreen
    bool steps = false;           // heavy full frames drawn in steps between events
};

// Sets the file viewer's frames up: its programs, and the core's display() handing every frame
// to it.
void startScene(const SceneTarget& target);

// Lets the programs set the size of points (desktop GL asks for it; WebGL always does).
void preparePoints();

// The display style of every frame: wire (the default), surface, edges.
void setStyle(Style style);
Style currentStyle();
void nextStyle();  // wire -> surface -> edges -> wire

// Called with the entry a frame shows whenever it differs from the last one.
void setEntryListener(void (*shown)(int entry));

// Shows `model` as catalogue entry `entry` without reading its file (already read); null shows
// nothing (and releases what was shown).
void showModel(int entry, std::unique_ptr<FileModel> model, const FileStamp& stamp);

// Work between events: proxy results, the full model after motion, steps of a full redraw,
// edits of the shown file. Returns the seconds until it wants to run again.
double sceneTick();

// The view was moved by the mouse: the proxy is drawn until it settles.
void noteMotion();

// Lines of the full model the next full frame draws (0 before a model is shown), and whether
// a proxy is ready: for the tests.
std::uint64_t fullLines();
bool proxyReady();
std::uint64_t framesShown();  // since the scene started, whatever they showed

// ===== Keys, mouse and window size =====

// The toolkit's button numbers: freeglut's and the web page's alike.
constexpr int kLeftButton = 0;
constexpr int kRightButton = 2;
constexpr int kWheelUpButton = 3;  // the wheel comes as presses of buttons 3 and 4
constexpr int kWheelDownButton = 4;

void pressKey(unsigned char key);  // s: next style; the core's keys, the view reset with N P W
void pressButton(int button, bool down, int x, int y);
void movePointer(int x, int y);  // while a button is held: a left drag turns, a right one zooms
void resizeView(int width, int height);

// ===== Running =====

// Makes the files the core's catalogue, in order; usedFiles() gives them back.
void useFiles(const std::vector<std::string>& paths);
const std::vector<std::string>& usedFiles();

// The window on the catalogue `paths` (kept alive by the caller): title, mouse, reshape; never
// returns. `first` is the first file's model when it has been read already.
[[noreturn]] void runWindow(int argc, char** argv, const Options& options,
                            const std::vector<std::string>& paths, std::unique_ptr<FileModel> first,
                            const FileStamp& stamp);

// Draws every file of the catalogue offscreen and writes the pictures; the process status.
int writePictures(const Options& options, const std::vector<std::string>& paths);

// The whole program: parse, expand, check, then the window or the pictures.
int run(int argc, char** argv);

}  // namespace plyview
