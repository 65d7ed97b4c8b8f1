// The parts of the viewer, shared between the files that keep its state and draw its frames.
// Internal to plyview/.
#pragma once

#include <chrono>
#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

#include "math/view_geometry.h"
#include "model/file_model.h"
#include "plyview/animation.h"
#include "plyview/camera.h"
#include "plyview/colour_scale.h"
#include "plyview/eye_dome.h"
#include "plyview/files.h"
#include "plyview/gpu_geometry.h"
#include "plyview/gpu_splats.h"
#include "plyview/options.h"
#include "plyview/proxy_job.h"
#include "plyview/splat_order.h"
#include "plyview/text.h"
#include "plyview/viewer.h"

namespace plyview {

using Clock = std::chrono::steady_clock;

// What a frame shows of the model.
enum class Picture { kNothing, kFull, kProxy, kBreathing };

// ===== Colours =====

constexpr Vec4 kSurfaceGrey{0.75f, 0.75f, 0.75f, 1.0f};  // a surface without colours
// Points without colours on a surface style, neither lit nor shaded: darker than a surface, to
// show on white.
constexpr Vec4 kPointGrey{0.35f, 0.35f, 0.35f, 1.0f};
// Edges over a surface: dark, and half see-through, so that a dense mesh still shows the
// surface's shading and colours under its edges.
constexpr Vec4 kEdgeColour{0.05f, 0.05f, 0.05f, 0.5f};
constexpr float kAmbient = 0.3f;  // light that reaches every side

// ===== The shown model and what is drawn of it =====

// A run of a textured surface's triangles that share one image: primitives [first, first +
// count) of the surface, drawn in image `image` of the file (its number in
// FileModel::textureFiles), or in their colours when that image could not be read.
struct ImageRun {
    std::uint64_t first = 0, count = 0;
    int image = 0;
};

// A picture's splats on the GPU in the order of the view they were sorted for, and the sort
// that brings them the order of a newer one (one at a time: the newest view wins).
struct SplatLayer {
    GpuSplats gpu;
    bool ordered = false;   // `gpu` holds an order, maybe of an older view
    bool recolour = false;  // the colour source changed since: sort and colour them again
    SplatView view;         // the view `gpu` was ordered for
    bool sorting = false;   // `job` is under way
    std::shared_ptr<SplatOrderJob> job = std::make_shared<SplatOrderJob>();
    void release();
};

// What one picture draws: the wireframe (edges, or the points of a cloud) and the surface
// (triangles with normals and colours, or the same points in their colours, or a splat file's
// splats). Built when a style first asks for them.
struct Layers {
    GpuGeometry wire;
    GpuGeometry surface;
    std::vector<ImageRun> surfaceImages;  // empty: the surface is drawn in its colours
    SplatLayer splats;
    bool wireBuilt = false;
    bool surfaceBuilt = false;
    void release();
};

// ===== What the model is coloured by (colouring.cpp) =====

enum class SourceKind : std::uint8_t { kFile, kProperty, kHeight, kNone };

// One of the colour sources `c` steps through: the file's colours, one of its properties (its
// number in FileModel::properties), the height along the up axis, or none (grey).
struct Source {
    SourceKind kind = SourceKind::kNone;
    int property = -1;
    bool operator==(const Source& other) const {
        return kind == other.kind && property == other.property;
    }
    bool operator!=(const Source& other) const { return !(*this == other); }
};

// The colours a geometry is drawn in: one per vertex, else one per triangle, else none (grey);
// the file's images over them, where the file is textured.
struct Paint {
    const std::vector<std::uint8_t>* vertex = nullptr;
    const std::vector<std::uint8_t>* triangle = nullptr;
    bool images = false;
    static Paint ofFile(const FileModel& model);  // the file's own colours and images
};

// The shown model's colours where a property or the height gives them, the scale they come from,
// and the legend that explains them.
struct Painting {
    const FileModel* model = nullptr;  // painted for; null: nothing painted yet
    Source source;
    UpAxis up = UpAxis::kPlusY;  // of a height's colours
    std::string name;            // of the source: "file colours", a property's, "height", "none"
    std::string wished;          // Viewer::colourBy when it was last looked up
    ColourScale scale;
    std::vector<std::uint8_t> vertex, triangle;  // r, g, b, a per vertex or per triangle
    const FileModel* proxyModel = nullptr;       // the proxy `proxy` was painted for
    std::vector<std::uint8_t> proxy;             // per vertex of the proxy
    // Scales found once per file: one per property, then one per up axis for the height.
    std::vector<std::unique_ptr<ColourScale>> scales;
    ScreenText legendText;
    GpuGeometry legendColours;   // the scale's bar, or a swatch per label
    bool legendLaidOut = false;  // the legend's text and colours are uploaded for legendPlace
    TextPlace legendPlace;
    void release();
};

struct Shown {
    int entry = -1;  // entry of the file list, or -1 before the first frame
    // The model as read; null when the entry shows nothing, or once an edit has dropped it.
    std::shared_ptr<const FileModel> model;
    bool pointCloud = false;
    bool splats = false;  // a splat file's: drawn as splats in the surface styles
    bool needsProxy = false;
    bool fullShown = false;        // a full frame of this model has been on screen
    std::uint64_t generation = 0;  // changes with every upload a frame depends on
    Layers full;
    std::shared_ptr<ProxyJob> job;     // the proxy under way
    std::shared_ptr<FileModel> proxy;  // shared with the sorts of its splats
    Layers proxyLayers;
    Layers breathing;
    int breathingPulse = INT_MIN;  // pulse `breathing` was built for
    bool breathingFromProxy = false;
    Box bounds{};  // of the model read last: an edit refused keeps it, with the picture
    double centre[kCoordinates] = {0, 0, 0};  // taken off the model's positions: its file's
    GpuGeometry box;
    GpuGeometry normals;               // of the model, or of its proxy when it has one
    std::unique_ptr<FileFacts> facts;  // of its file, once the panel has asked
    Painting painting;
    std::vector<GLuint> textures;  // one per image the file names; 0 where it could not be read
};

// ===== Drawing (scene_draw.cpp) =====

// The two matrices of a frame, as uploaded.
struct FrameMatrices {
    float projection[kMatrixFloats] = {};
    float model[kMatrixFloats] = {};
};

// One pass of a frame: a geometry drawn with one program in one colour (or its own colours), or
// splats blended with theirs.
struct Pass {
    const GpuGeometry* geometry = nullptr;
    const GpuSplats* splats = nullptr;  // instead of `geometry`
    bool lit = false;                   // the lit program, else the flat one
    Vec4 colour;              // the constant colour, where the geometry has none of its own
    bool ownColours = false;  // the geometry's own colours, when it has them
    bool behind = false;      // pushed back in depth, so that edges drawn over it show
    bool blended = false;     // mixed with what is under it by the colour's alpha
    float pointSize = 0;      // pixels across a point; 0: the viewer's
    bool onTop = false;       // over everything drawn before, whatever its depth
    const std::vector<ImageRun>* images = nullptr;  // of a textured surface, with `lit`
};
using Passes = std::vector<Pass>;

void buildPrograms();  // both programs, with the attribute locations of every vertex array
// A program of the viewer's shader texts, the platform's version line put in front and the
// attribute locations of every vertex array bound.
GLuint buildViewerProgram(const char* vertex, const char* fragment);
// The layers of a picture that a style with a wireframe and/or a surface draws, built when first
// asked for.
Layers* layersOf(Picture picture, bool wire, bool surface);
void usePass(const Pass& pass, const FrameMatrices& matrices);
// Primitives [first, first + count) of the pass's geometry, each run of a textured surface with
// its image bound.
void drawPass(const Pass& pass, std::uint64_t first, std::uint64_t count);
void endPass(const Pass& pass);
// The passes of a picture in the current style; the layers they need are built first.
Passes passesOf(Picture picture);
void drawOverlays(const FrameMatrices& matrices);
// Text over the frame in pixels from its top left, in the current frame size.
void drawText(const ScreenText& text);
// Triangles in their own colours over the frame, in pixels from its top left.
void drawOnTop(const GpuGeometry& geometry);
// Whether a frame of these passes is shaded by eye-dome lighting: a cloud in a surface style,
// while `l` has it on.
bool eyeDomeShades(const Passes& passes);
// What a full frame's passes cost to draw, in lines: a triangle or a point costs half a line, a
// splat kSplatLines.
std::uint64_t costOf(const Passes& passes);
std::uint64_t primitivesOf(const Pass& pass);  // lines, triangles, points or splats
// What one primitive of the pass costs in a step, in lines: kSplatLines for a splat, else one.
std::uint64_t stepLinesOf(const Pass& pass);

// ===== Splats (scene_splats.cpp) =====

// Lines of the wireframe that cost as much as blending one splat in the software renderer, at
// the sizes a framed capture's splats have on screen: about 87 ns a line against 0.6 to 1.7 s
// for a frame of 1 M splats and about 70 ms for one of 80,000 merged ones. At the low end, so
// that a file light enough to move without a stand-in is drawn at once while it moves.
constexpr std::uint64_t kSplatLines = 7;
constexpr float kSplatCentrePixels = 1;  // the centres over the splats in the edges style

// Where the current view sees the model from, in the frame of its positions.
SplatView currentSplatView();
// The picture's splats brought towards the current view's order: a finished sort is uploaded,
// and one is started when theirs is of another view (waited for where frames have no events
// between them, or when they have no order yet). True when the order on the GPU is the current
// view's, or when an edit dropped the model and what is on the GPU stays.
bool orderSplats(Picture picture, Layers& layers);
// While the stand-in shows the current view and no drag is under way, the full picture's order
// for that view is started where sorts run away from the drawing thread: it is ready, or nearly,
// when the motion has settled.
void orderFullAhead();
// A sort has finished since the last frame: the frame that takes it is wanted.
bool splatSortDone();
bool splatSortUnderWay();
constexpr double kSortLookSeconds = 0.01;  // how often a sort under way is looked at
// The first up axis of the shown file: -y for a splat file unless --up chose one.
UpAxis startUp();

// ===== Geometry drawn from the model (scene_geometry.cpp) =====

// The sixteen corners of the box polyline, x, y, z each.
std::vector<float> boxCorners(const FileModel& model);
// Per triangle, its centroid and the centroid plus its scaled normal (segments of the overlay).
std::vector<float> normalSegments(const FileModel& model, float diagonal);

// Triangles one by one, three corners each, as breathing, face colours and texture coordinates
// per corner need them.
struct Corners {
    std::vector<float> positions, normals, texcoords;
    std::vector<std::uint8_t> colours;
    std::vector<std::uint32_t> edges;  // each triangle's three edges, as pairs of corners
};
// Corners with the model's normals and the paint's colours (a triangle's colour on its three
// corners), and texture coordinates when the paint has images; triangles in the order of
// `order` (triangle numbers) when it is given.
Corners cornersOf(const FileModel& model, const std::vector<float>& normals, const Paint& paint,
                  const std::vector<std::uint32_t>* order = nullptr);
// The triangles of a textured model in order of their image (in file order within one), and the
// runs of each image; an empty order when the faces choose no image (all take the first).
std::vector<std::uint32_t> trianglesByImage(const FileModel& model, std::vector<ImageRun>& runs);
// Corners moved `pulse` percent of the diagonal along their triangle's normal, lit by it.
Corners breathingCorners(const FileModel& model, float diagonal, int pulse, const Paint& paint);

// ===== A heavy full frame drawn in steps (steps.cpp) =====

// Everything a full frame's pixels depend on: another key, another picture.
struct FrameKey {
    FrameMatrices matrices;
    std::uint64_t generation = 0;
    int width = 0, height = 0, box = 0, normals = 0, style = 0;
    float pointSize = 0;
    bool orthographic = false;  // the light's direction
    std::uint64_t marks = 0;    // the marks' generation
    bool eyeDome = false;       // shaded by eye-dome lighting when shown

    static FrameKey of(const FrameMatrices& matrices, std::uint64_t generation, bool eyeDome);
    bool operator==(const FrameKey& other) const;
};

// Starts drawing the full frame of `key` into the step framebuffer, or shows it when it is
// finished already; nothing while it is under way.
void drawInSteps(const FrameKey& key, const FrameMatrices& matrices, const Passes& passes);
void continueSteps();  // the next step; shows the frame after the last
bool stepsUnderWay();
void stopSteps();    // another picture took the window
void forgetSteps();  // the framebuffer and what was learnt of the steps' cost released

// ===== Colouring (colouring.cpp) =====

// The shown model's colours brought in line with the wished source (`Viewer::colourBy`) and the
// up axis; a change releases the layers that carry colours.
void ensurePainting();
// The colours of the full model, or of the proxy for Picture::kProxy.
Paint paintOf(Picture picture);
void nextColourSource();  // `c`
void drawLegend();        // beside the model, whenever a property or the height is shown

// ===== The viewer's state =====

constexpr int kNoDrag = -1;

// Where the mouse is in a drag, and the last press, which a second one may make a double click.
struct Pointer {
    int button = kNoDrag;       // held down for a drag
    bool pan = false;           // the drag pans (the middle button, or the left one with Shift)
    double grabDepth = 0;       // a pan's grabbed point, in front of the eye
    int lastX = 0, lastY = 0;   // position at the last drag event
    Clock::time_point pressed;  // the last left press
    int pressX = 0, pressY = 0;
};

// The pick pass's program and framebuffer, made when the pointer first asks (pick.cpp).
struct Picker {
    GLuint program = 0, framebuffer = 0, colour = 0, depth = 0;
    GLint model = -1, projection = -1, pointSize = -1;
    void release();
};

// A heavy full frame under way in steps, or the last one finished.
struct Steps {
    DepthFrame frame;       // the frame being drawn, or the last one
    bool active = false;    // steps are under way
    bool complete = false;  // the framebuffer holds the finished frame of `key`
    FrameKey key;
    FrameMatrices matrices;
    Passes passes;           // of the frame
    std::size_t pass = 0;    // the pass under way
    std::uint64_t next = 0;  // its first primitive not drawn yet
    std::uint64_t perStep = kFirstStepLines;
    Clock::time_point begun;  // the frame's first step
};

// ===== Marks for measuring (measure.cpp) =====

constexpr int kMaxMarks = 2;

struct Marks {
    int count = 0;
    Point3 file[kMaxMarks];                      // in the file's own coordinates
    float model[kMaxMarks * kCoordinates] = {};  // as the model's positions hold them
    GpuGeometry points, line;
    std::vector<std::string> lines;  // what they say, a line each
    ScreenText text;                 // those lines in the frame's lower left corner
    std::uint64_t generation = 0;    // changes with every mark: a frame shows it
    void release();
};

void markAt(int x, int y);  // Control + a click at window pixel (x, y)
void clearMarks();          // Delete or Backspace
void drawMarks(const FrameMatrices& matrices);

// Everything the viewer owns.
struct Viewer {
    std::vector<std::string> files;       // as the user gave them, in order
    ViewState view;                       // what the keys and animation ticks change
    Orbit orbit;                          // the mouse's; reset whenever another entry is shown
    StartView start;                      // the first view of each file, and the one `0` gives back
    UpAxis up = UpAxis::kPlusY;           // shown pointing up
    bool upForSplats = false;             // `up` is the one a splat file starts with
    bool orthographic = false;            // a parallel projection, else perspective
    float pointSize = kDefaultPointSize;  // pixels across a point of a cloud
    Style style = Style::kWire;
    int width = kDefaultPictureSize, height = kDefaultPictureSize;  // of the frame, in pixels
    Pointer pointer;                                                // in a drag
    SceneTarget target;                                             // where frames go
    Shown shown;                                                    // the entry on screen
    FileWatch watch;                                                // on the shown file
    Steps steps;                                                    // of a heavy full frame
    Picker picker;                                                  // finds the pointed point
    Marks marks;                                                    // for measuring
    EyeDome eyeDome;                                                // shades clouds
    bool eyeDomeOn = true;                                          // `l` turns it off and on
    void (*measureListener)(const std::string&) = nullptr;          // told what marks say
    void (*entryListener)(const std::string&, int, int) = nullptr;  // told of another entry
    Clock::time_point started;                                      // for the frame log
    Clock::time_point lastMotion;             // the last drag, wheel or animated frame
    Clock::time_point nextWatch;              // when the shown file's status is looked at next
    Picture lastPicture = Picture::kNothing;  // what the last frame showed
    std::uint64_t frames = 0;                 // shown since the viewer started
    bool frameLog = false;                    // kFrameLogVariable is set
    bool panel = false;                       // the `i` panel is shown
    std::string colourBy;         // the wished colour source's name; "" the file's colours or none
    ScreenText panelText;         // its lines, as uploaded
    double frameMs = -1;          // the last frame's drawing, CPU and GPU
    double panelMs = -1;          // the frame time the panel shows
    Clock::time_point panelMsAt;  // when panelMs was taken
    bool frameWanted = false;     // a change waits for a frame to show it
};

Viewer& viewer();

// The shown model's box, as the keys and animations read it: inverted without a model.
Box shownBox();
// The diagonal of the shown box, as the normal segments and the breathing measure it.
float shownDiagonal();

// ===== Frame parts the steps and the pointer use (scene.cpp) =====

void finishFrame(Picture picture);  // the frame is on screen
void motionEnded();                 // a drag let go: the full picture is due sooner
void drawPanel();                   // the `i` panel over the frame, when it is shown
int coveredTopPixels();             // frame pixels at the top that the front end covers
Camera currentCamera();             // the shown model framed, the orbit and the keys' motion

// ===== The pointed point (pick.cpp) =====

// The view-space point of the model under window pixel (x, y); false over the background.
bool pickPoint(int x, int y, Point3& point);

}  // namespace plyview
