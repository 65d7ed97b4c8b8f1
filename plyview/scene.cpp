// The viewer's state and its frames. The shown file's model is read once per edit and uploaded
// once per load; a frame draws it from the GPU in the current style: the full model at rest, the
// proxy while it moves, the breathing corners while it breathes, then the overlays. A full model
// too heavy to draw between two events is drawn in steps into a framebuffer of its own, which is
// shown when done.
#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "model/proxy.h"
#include "plyview/navigation.h"
#include "plyview/panel.h"
#include "plyview/platform.h"
#include "plyview/scene_parts.h"
#include "plyview/testing.h"
#include "plyview/texture.h"

namespace plyview {

namespace {

// ===== The viewer's state =====
Viewer state;  // everything the viewer owns, in one place
FileFacts (*factsSource)(const std::string& path) = describeFile;  // outlives restarts
int coveredTop = 0;  // frame pixels under the page's toolbar

double secondsSince(Clock::time_point then) {
    return std::chrono::duration<double>(Clock::now() - then).count();
}

bool moving() {
    return state.view.animating || secondsSince(state.lastMotion) < kSettleSeconds;
}

int entryCount() {
    return static_cast<int>(state.files.size());
}

// ===== Models =====

// A model without vertices carries the inverted box itself.
Box boxOf(const FileModel* model) {
    if (model == nullptr) {
        return Box{kBoxResetMin, kBoxResetMax, kBoxResetMin,
                   kBoxResetMax, kBoxResetMin, kBoxResetMax};
    }
    return Box{model->minX, model->maxX, model->minY, model->maxY, model->minZ, model->maxZ};
}

void stopProxy() {
    Shown& shown = state.shown;
    if (shown.job) {
        shown.job->cancel.store(true);
        shown.job.reset();
    }
    shown.proxy.reset();
    shown.proxyLayers.release();
}

// Everything a frame draws of the shown model, on the GPU and off it.
void releaseShown() {
    Shown& shown = state.shown;
    stopSteps();
    stopProxy();
    shown.model.reset();
    shown.full.release();
    shown.breathing.release();
    shown.breathingPulse = INT_MIN;
    shown.box.release();
    shown.normals.release();
    shown.facts.reset();
    shown.painting.release();
    for (const GLuint texture : shown.textures) {
        glDeleteTextures(1, &texture);
    }
    shown.textures.clear();
    shown.fullShown = false;
    ++shown.generation;
}

// The file's images on the GPU, one texture each (0 for one that could not be read); their
// copies in memory go as soon as they are uploaded.
void uploadTextures(const std::string& path, std::vector<Image> images) {
    for (std::size_t k = 0; k < images.size(); ++k) {
        Image& image = images[k];
        const int width = image.width, height = image.height;
        bool scaled = false;
        state.shown.textures.push_back(uploadTexture(image, scaled));
        if (scaled) {
            noteLine(path + ": texture " + state.shown.model->textureFiles[k] + ": " +
                     std::to_string(width) + "x" + std::to_string(height) + " scaled down to " +
                     std::to_string(image.width) + "x" + std::to_string(image.height) +
                     ", the largest the GPU takes");
        }
        image = Image{};
    }
}

void install(std::unique_ptr<FileModel> model, const FileStamp& stamp, const std::string& path) {
    Shown& shown = state.shown;
    releaseShown();
    state.watch.start(stamp);
    shown.bounds = boxOf(model.get());
    state.marks.release();  // they belong to the model they were made on
    if (model != nullptr) {
        std::copy(model->centre, model->centre + kCoordinates, shown.centre);
    }
    if (model == nullptr) {
        shown.pointCloud = shown.splats = shown.needsProxy = false;
        return;
    }
    shown.pointCloud = model->triangleCount() == 0 && model->vertexCount() > 0;
    shown.splats = model->isSplats();
    shown.needsProxy = shown.splats ? model->splats.count() > standInSplats() : needsProxy(*model);
    if (model->vertexCount() > 0) {
        shown.box.uploadArray(GL_LINE_STRIP, VertexSpan::of(boxCorners(*model)));
    }
    std::vector<Image> images = readTextures(path, *model);
    shown.model = std::move(model);
    uploadTextures(path, std::move(images));
}

// A splat file is first seen with -y up unless --up chose an axis, with a line that says so; the
// next file of another kind has the command line's axis again.
void chooseUp(const std::string& path) {
    if (state.shown.splats && !state.start.upGiven) {
        state.up = startUp();
        state.upForSplats = true;
        if (!path.empty()) {
            noteLine(path + ": a Gaussian-splat capture, shown with -y up (--up chooses another)");
        }
    } else if (state.upForSplats) {
        state.up = state.start.up;
        state.upForSplats = false;
    }
}

// Another entry is on screen: a fresh view, and the front end's title.
void entryChanged(int entry) {
    state.orbit = orbitFrom(Turn{state.start.yaw, state.start.pitch});
    state.colourBy = state.start.colourBy;
    if (state.entryListener != nullptr) {
        state.entryListener(state.files[static_cast<std::size_t>(entry)], entry, entryCount());
    }
}

// Reads the entry's file (an empty entry when it cannot be read), once what was shown has made
// room for it.
void ensureEntry(int entry) {
    if (entry == state.shown.entry || entry >= entryCount()) {
        return;
    }
    releaseShown();
    state.shown.entry = entry;
    const std::string& path = state.files[static_cast<std::size_t>(entry)];
    const FileStamp stamp = stampOf(path);
    install(readAndTell(path), stamp, path);
    chooseUp(path);
    entryChanged(entry);
}

// ===== Edits at rest =====

// A changed file is read again once it has held still (FileWatch). The old model's CPU copy goes
// first; the GPU keeps the last good picture until the new one is in, and a refused edit keeps
// it for good, with one line per edit.
void watchShownFile() {
    const int entry = state.shown.entry;
    if (entry < 0 || entry >= entryCount()) {
        return;
    }
    const std::string& path = state.files[static_cast<std::size_t>(entry)];
    const FileStamp now = stampOf(path);
    if (!state.watch.due(now)) {
        return;
    }
    stopProxy();
    state.shown.model.reset();
    std::unique_ptr<FileModel> model = readAndTell(path);
    if (model) {
        install(std::move(model), now, path);
        state.frameWanted = true;
    }
}

// ===== Proxy =====

void startProxyWhenDue() {
    Shown& shown = state.shown;
    // A picture (frames never presented) does not move: a proxy would only take a core from it.
    const bool still = state.target.present == nullptr;
    if (still || !shown.needsProxy || !shown.fullShown || shown.job || shown.proxy ||
        !shown.model) {
        return;
    }
    shown.job = std::make_shared<ProxyJob>();
    shown.job->model = shown.model;
    startProxyJob(shown.job);
}

void takeProxyWhenDone() {
    Shown& shown = state.shown;
    if (!shown.job || !shown.job->done.load(std::memory_order_acquire)) {
        return;
    }
    const std::shared_ptr<ProxyJob> job = std::move(shown.job);
    if (!job->built) {
        return;
    }
    shown.proxy = std::make_shared<FileModel>(std::move(job->proxy));
    ++shown.generation;
    if (state.frameLog) {
        std::printf("proxy %zu triangles %zu vertices\n", shown.proxy->triangleCount(),
                    shown.proxy->vertexCount());
        std::fflush(stdout);
    }
}

// ===== Frames =====

// The model breathing draws from: the proxy of a large model while it breathes, a small model
// itself; null when there is none to breathe.
const FileModel* breathingSource() {
    const Shown& shown = state.shown;
    if (state.view.pulse == 0 || shown.pointCloud) {
        return nullptr;
    }
    if (!shown.needsProxy) {
        return shown.model.get();
    }
    return state.view.animation == Animation::kBreathe ? shown.proxy.get() : nullptr;
}

// The breathing corners for the current pulse, uploaded once per pulse.
void prepareBreathing(const FileModel& source) {
    Shown& shown = state.shown;
    const int pulse = state.view.pulse;
    const bool fromProxy = &source == shown.proxy.get();
    if (shown.breathingPulse == pulse && shown.breathingFromProxy == fromProxy) {
        return;
    }
    const Corners corners = breathingCorners(source, shownDiagonal(), pulse,
                                             paintOf(fromProxy ? Picture::kProxy : Picture::kFull));
    const VertexSpan vertices = VertexSpan::of(
        corners.positions, &corners.normals, corners.colours.empty() ? nullptr : &corners.colours);
    shown.breathing.wire.uploadIndexed(GL_LINES, vertices, corners.edges);
    shown.breathing.surface.uploadArray(GL_TRIANGLES, vertices);
    shown.breathingPulse = pulse;
    shown.breathingFromProxy = fromProxy;
}

// The stand-in of a splat file made at once, of the test's size, for the pictures that show it.
void buildStandInNow(std::size_t splats) {
    Shown& shown = state.shown;
    stopProxy();
    shown.job = std::make_shared<ProxyJob>();
    shown.job->model = shown.model;
    shown.job->standIn = splats;
    runProxyJob(*shown.job);
    takeProxyWhenDone();
}

Picture choosePicture() {
    Shown& shown = state.shown;
    if (!shown.model && !shown.full.wireBuilt && !shown.full.surfaceBuilt) {
        return Picture::kNothing;
    }
    if (const std::size_t standIn = standInPictureSplats(); standIn > 0 && shown.splats) {
        if (!shown.proxy && shown.model) {
            buildStandInNow(standIn);
        }
        if (shown.proxy) {
            return Picture::kProxy;
        }
    }
    if (const FileModel* source = breathingSource()) {
        prepareBreathing(*source);
        return Picture::kBreathing;
    }
    return moving() && shown.proxy ? Picture::kProxy : Picture::kFull;
}

// ===== The panel =====

// The shown entry's facts, asked for once while it is shown.
const FileFacts& shownFacts() {
    Shown& shown = state.shown;
    if (!shown.facts) {
        const std::string& path = state.files[static_cast<std::size_t>(shown.entry)];
        shown.facts = std::make_unique<FileFacts>(factsSource(path));
    }
    return *shown.facts;
}

}  // namespace

// The frame time shown changes at rest with every frame, and while the view moves at most every
// kPanelRefreshSeconds: its text is uploaded again only then.
void drawPanel() {
    if (!state.panel || state.shown.entry < 0 || state.shown.entry >= entryCount()) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (state.frameMs >= 0 &&
        (state.panelMs < 0 || !moving() ||
         std::chrono::duration<double>(now - state.panelMsAt).count() >= kPanelRefreshSeconds)) {
        state.panelMs = state.frameMs;
        state.panelMsAt = now;
    }
    // Eye-dome lighting shades clouds of points, not splats.
    const PanelView view{state.style,     state.up,
                         state.panelMs,   state.shown.pointCloud && !state.shown.splats,
                         state.eyeDomeOn, state.shown.painting.name};
    state.panelText.show(panelLines(shownFacts(), view),
                         TextPlace{Corner::kTopLeft, state.width, state.height, coveredTop});
    drawText(state.panelText);
}

namespace {

void drawPasses(const Passes& passes, const FrameMatrices& matrices) {
    for (const Pass& pass : passes) {
        usePass(pass, matrices);
        drawPass(pass, 0, primitivesOf(pass));
        endPass(pass);
    }
}

// The passes into the target; a cloud shaded by eye-dome lighting goes into a frame of its own
// first, whose shaded picture and depth then fill the target.
void drawModel(const Passes& passes, const FrameMatrices& matrices, bool eyeDome) {
    DepthFrame& frame = state.eyeDome.frame;
    if (eyeDome) {
        frame.ensure(state.width, state.height);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, eyeDome ? frame.framebuffer : state.target.framebuffer);
    glViewport(0, 0, state.width, state.height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    drawPasses(passes, matrices);
    if (eyeDome) {
        shadeEyeDome(frame, matrices.projection, state.target.framebuffer);
    }
}

FrameMatrices cameraMatrices() {
    Mat4 projection(1.0f), model(1.0f);
    matricesOf(eyeOf(currentCamera()), projection, model);
    FrameMatrices matrices;
    toColumnMajor(projection, matrices.projection);
    toColumnMajor(model, matrices.model);
    return matrices;
}

}  // namespace

// ===== Shared with the other parts of the viewer =====

Viewer& viewer() {
    return state;
}

Box shownBox() {
    return state.shown.bounds;
}

float shownDiagonal() {
    const Box& b = state.shown.bounds;
    return diagonalOf(b.minX, b.maxX, b.minY, b.maxY, b.minZ, b.maxZ);
}

// The framing of the shown box from the side the orbit was last framed for, the orbit, and the
// keys' offsets and turntable. The tour turns the model about the up axis through its centre:
// all it sweeps is framed, so nothing is cut, whatever the offsets, pan and rotation centre were.
Camera currentCamera() {
    const ViewState& view = state.view;
    Camera camera;
    camera.aspect = static_cast<float>(state.width) / static_cast<float>(state.height);
    camera.up = state.up;
    camera.orthographic = state.orthographic;
    camera.orbit = state.orbit;
    const Box box = shownBox();
    if (view.tour && !boxIsEmpty(box)) {
        const Framing atRest = frameBox(box, camera.aspect);
        camera.framing = frameBox(turntableBox(upright(box, state.up)), camera.aspect);
        camera.framing.centreX = atRest.centreX;
        camera.framing.centreY = atRest.centreY;
        camera.framing.centreZ = atRest.centreZ;
        camera.orbit.centred = camera.orbit.targeted = false;
        camera.orbit.panX = camera.orbit.panY = 0;
    } else {
        const Orbit& orbit = state.orbit;
        camera.framing = frameBox(box, camera.aspect,
                                  turnRotation(orbit.framedYaw, orbit.framedPitch, state.up));
    }
    camera.motion = Motion{view.tour ? 0.0f : view.offsetX, view.offsetY, view.offsetZ, view.spin};
    return camera;
}

void finishFrame(Picture picture) {
    state.lastPicture = picture;
    ++state.frames;
    if (picture == Picture::kFull) {
        state.shown.fullShown = true;
        startProxyWhenDue();
    }
    if (state.frameLog) {
        static const char* const kNames[] = {"nothing", "full", "proxy", "breathing"};
        std::printf("frame %s %lld %.0f\n", kNames[static_cast<int>(picture)],
                    static_cast<long long>(secondsSince(state.started) * 1000), state.frameMs);
        std::fflush(stdout);
    }
}

// ===== Starting =====

void startViewer(const SceneTarget& target, Style style, int width, int height) {
    releaseShown();
    forgetSteps();
    state.picker.release();
    state.eyeDome.release();
    state.panelText.release();
    state.marks.release();
    state = Viewer();
    state.target = target;
    state.style = style;
    resizeView(width, height);
    buildPrograms();
    preparePoints();
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    state.started = Clock::now();
    state.lastMotion = state.started - std::chrono::hours(1);
    state.nextWatch = state.started;
    state.frameLog = std::getenv(kFrameLogVariable) != nullptr;
}

// ===== Files =====

void useFiles(const std::vector<std::string>& paths) {
    state.files = paths;
    toRest(state.view);
    state.view.entry = 0;
}

void setStartView(const StartView& start) {
    state.start = start;
    state.orbit = orbitFrom(Turn{start.yaw, start.pitch});
    state.up = start.up;
    state.orthographic = start.orthographic;
    state.pointSize = start.pointSize;
    state.colourBy = start.colourBy;
    state.frameWanted = true;
}

const std::vector<std::string>& usedFiles() {
    return state.files;
}

void showModel(int entry, std::unique_ptr<FileModel> model, const FileStamp& stamp) {
    state.shown.entry = entry;
    if (entry >= 0) {
        state.view.entry = entry;
    }
    const bool listed = entry >= 0 && entry < entryCount();
    const std::string path = listed ? state.files[static_cast<std::size_t>(entry)] : "";
    install(std::move(model), stamp, path);
    chooseUp(path);
}

// A single file that cannot be read leaves the list shown before; among several, such a file
// keeps its place and shows an empty frame. A model already read is shown as the first entry;
// otherwise nothing is, and the first frame reads the list's first file again, as it does for
// any entry.
int openFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return 0;
    }
    const FileStamp stamp = stampOf(paths.front());
    std::unique_ptr<FileModel> first = readAndTell(paths.front());
    if (!first && paths.size() == 1) {
        return 0;
    }
    useFiles(paths);
    const bool read = first != nullptr;
    showModel(read ? 0 : -1, std::move(first), stamp);
    if (read) {
        entryChanged(0);
    }
    state.frameWanted = true;
    return static_cast<int>(paths.size());
}

void setEntryListener(void (*shown)(const std::string& path, int entry, int count)) {
    state.entryListener = shown;
}

void setMeasureListener(void (*told)(const std::string& text)) {
    state.measureListener = told;
}

// ===== Frames =====

// The frame's time runs from here to its last GL command done: with the panel shown, glFinish
// waits for the GPU before the frame is presented.
void drawFrame() {
    const Clock::time_point begun = Clock::now();
    ensureEntry(state.view.entry);
    ensurePainting();
    if (state.view.animating) {
        state.lastMotion = Clock::now();
    }
    const Picture picture = choosePicture();
    const Passes passes = passesOf(picture);
    const FrameMatrices matrices = cameraMatrices();
    const bool eyeDome = eyeDomeShades(passes);
    if (picture == Picture::kFull && state.target.steps && costOf(passes) > kDirectLines) {
        if (state.shown.splats && !orderSplats(picture, state.shown.full)) {
            return;  // a frame this heavy waits for its view's order, which asks for it
        }
        drawInSteps(FrameKey::of(matrices, state.shown.generation, eyeDome), matrices, passes);
        return;
    }
    stopSteps();
    drawModel(passes, matrices, eyeDome);
    drawOverlays(matrices);
    drawLegend();
    drawPanel();
    if (state.panel) {
        glFinish();
    } else {
        glFlush();
    }
    state.frameMs = secondsSince(begun) * kMillisecondsPerSecond;
    if (state.target.present != nullptr) {
        state.target.present();
    }
    finishFrame(picture);
}

void setFactsSource(FileFacts (*describe)(const std::string& path)) {
    factsSource = describe;
}

int coveredTopPixels() {
    return coveredTop;
}

void setCoveredTop(int pixels) {
    coveredTop = std::max(pixels, 0);
    state.frameWanted = state.panel;
}

void showPanel(bool on) {
    state.panel = on;
    state.frameWanted = true;
}

bool panelShown() {
    return state.panel;
}

const std::vector<std::string>& panelText() {
    return state.panelText.lines();
}

bool takeFrameRequest() {
    const bool wanted = state.frameWanted;
    state.frameWanted = false;
    return wanted;
}

// ===== Between events =====

bool animationTick() {
    if (!applyTick(state.view, shownBox(), entryCount())) {
        return false;
    }
    state.frameWanted = true;
    return true;
}

bool animating() {
    return state.view.animating;
}

double sceneTick() {
    takeProxyWhenDone();
    double wait = kWatchSeconds;
    if (stepsUnderWay()) {
        continueSteps();
        wait = 0;
    }
    if (state.shown.job) {
        wait = std::min(wait, kWatchSeconds / 2);
    }
    if (splatSortDone()) {
        state.frameWanted = true;  // a newer view's order: the frame that takes it
    } else if (splatSortUnderWay()) {
        wait = std::min(wait, kSortLookSeconds);
    }
    const Picture last = state.lastPicture;
    if (!moving() && (last == Picture::kProxy ||
                      (last == Picture::kBreathing && breathingSource() == nullptr))) {
        state.frameWanted = true;  // the motion has settled: the full model again
    } else if (last == Picture::kProxy) {
        wait = std::min(wait, kSettleSeconds - secondsSince(state.lastMotion));
    }
    if (Clock::now() >= state.nextWatch) {
        state.nextWatch = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(kWatchSeconds));
        watchShownFile();
    }
    return std::max(wait, 0.0);
}

// A drag let go: the view rests from now on, so the full picture starts after a shorter wait
// than the settling one, which is there for the wheel and keys that give no such sign; long
// enough for the stand-in's frame of the last view to be shown first.
void motionEnded() {
    const Clock::time_point settled =
        Clock::now() - std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(kSettleSeconds - kReleaseSettleSeconds));
    state.lastMotion = std::min(state.lastMotion, settled);
    state.frameWanted = true;
}

// ===== For the tests =====

void noteMotion() {
    state.lastMotion = Clock::now();
}

std::uint64_t fullLines() {
    const Shown& shown = state.shown;
    if (!shown.model) {
        return shown.full.wire.primitives();
    }
    const Passes passes = passesOf(Picture::kFull);
    std::uint64_t lines = 0;
    for (const Pass& pass : passes) {
        lines += pass.lit || pass.splats != nullptr ? 0 : pass.geometry->primitives();
    }
    return lines;
}

bool proxyReady() {
    return state.shown.proxy != nullptr;
}

std::uint64_t framesShown() {
    return state.frames;
}

}  // namespace plyview
