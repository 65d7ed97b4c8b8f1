// The file viewer's frames. The shown file's model is read once per edit and uploaded once per
// load; a frame draws it from the GPU in the current style: the full model at rest, the proxy
// while it moves, the breathing corners while it breathes, then the overlays. A full model too
// heavy to draw between two events is drawn in steps into a framebuffer of its own, which is
// shown when done.
#include <GL/glew.h>

#include <cstdio>
#include <cstdlib>

#include "plyview/scene_parts.h"

namespace plyview {

namespace {

// ===== Scene state =====
SceneTarget target;                       // where frames go
Shown shown;                              // the entry on screen
Style style = Style::kWire;               // how the model is drawn
void (*entryListener)(int) = nullptr;     // told when another entry is shown
Clock::time_point started;                // for the frame log
Clock::time_point lastMotion;             // the last drag, wheel or animated frame
Clock::time_point nextWatch;              // when the shown file's status is looked at next
FileStamp pendingStamp;                   // a changed status waiting to stay the same one poll
FileStamp triedStamp;                     // the last edit read, good or refused
Picture lastPicture = Picture::kNothing;  // what the last frame showed
std::uint64_t frames = 0;                 // shown since the scene started
bool frameLog = false;                    // kFrameLogVariable is set

double secondsSince(Clock::time_point then) {
    return std::chrono::duration<double>(Clock::now() - then).count();
}

bool moving() {
    return animating == 1 || secondsSince(lastMotion) < kSettleSeconds;
}

// ===== Models =====

void setStoreBox(const FileModel* model) {
    if (model == nullptr || model->vertexCount() == 0) {
        maxX = maxY = maxZ = kBoxResetMax;
        minX = minY = minZ = kBoxResetMin;
        return;
    }
    minX = model->minX;
    maxX = model->maxX;
    minY = model->minY;
    maxY = model->maxY;
    minZ = model->minZ;
    maxZ = model->maxZ;
}

void stopProxy() {
    if (shown.job) {
        shown.job->cancel.store(true);
        shown.job.reset();
    }
    shown.proxy.reset();
    shown.proxyLayers.release();
}

// Everything a frame draws of the shown model, on the GPU and off it.
void releaseShown() {
    stopSteps();
    stopProxy();
    shown.model.reset();
    shown.full.release();
    shown.breathing.release();
    shown.breathingPulse = INT_MIN;
    shown.box.release();
    shown.normals.release();
    shown.fullShown = false;
    ++shown.generation;
}

void install(std::unique_ptr<FileModel> model, const FileStamp& stamp) {
    releaseShown();
    shown.stamp = stamp;
    pendingStamp = FileStamp{};
    triedStamp = stamp;
    setStoreBox(model.get());
    if (model == nullptr) {
        shown.pointCloud = shown.needsProxy = false;
        return;
    }
    shown.pointCloud = model->triangleCount() == 0 && model->vertexCount() > 0;
    shown.needsProxy = needsProxy(*model);
    if (model->vertexCount() > 0) {
        shown.box.uploadArray(GL_LINE_STRIP, VertexSpan::of(boxCorners(*model)));
    }
    shown.model = std::move(model);
}

// Reads the entry's file (an empty entry when it cannot be read), once what was shown has made
// room for it.
void ensureEntry(int entry) {
    if (entry == shown.entry) {
        return;
    }
    releaseShown();
    shown.entry = entry;
    const std::string path = catalogueFile(entry);
    const FileStamp stamp = stampOf(path);
    install(readAndTell(path), stamp);
    if (entryListener != nullptr) {
        entryListener(entry);
    }
}

// ===== Edits at rest =====

// A file whose status has changed and then stayed the same for one look is read again. The
// old model's CPU copy goes first; the GPU keeps the last good picture until the new one is
// in, and a refused edit keeps it for good, with one line per edit.
void watchShownFile() {
    if (shown.entry < 0) {
        return;
    }
    const std::string path = catalogueFile(shown.entry);
    const FileStamp now = stampOf(path);
    if (now == shown.stamp || now == triedStamp) {
        pendingStamp = FileStamp{};
        return;
    }
    if (now != pendingStamp) {
        pendingStamp = now;
        return;
    }
    triedStamp = now;
    pendingStamp = FileStamp{};
    stopProxy();
    shown.model.reset();
    std::unique_ptr<FileModel> model = readAndTell(path);
    if (model) {
        install(std::move(model), now);
        requestRedisplay();
    }
}

// ===== Proxy =====

void startProxyWhenDue() {
    if (!shown.needsProxy || !shown.fullShown || shown.job || shown.proxy || !shown.model) {
        return;
    }
    shown.job = std::make_shared<ProxyJob>();
    shown.job->model = shown.model;
    startProxyJob(shown.job);
}

void takeProxyWhenDone() {
    if (!shown.job || !shown.job->done.load(std::memory_order_acquire)) {
        return;
    }
    const std::shared_ptr<ProxyJob> job = std::move(shown.job);
    if (!job->built) {
        return;
    }
    shown.proxy = std::make_unique<FileModel>(std::move(job->proxy));
    ++shown.generation;
    if (frameLog) {
        std::printf("proxy %zu triangles %zu vertices\n", shown.proxy->triangleCount(),
                    shown.proxy->vertexCount());
        std::fflush(stdout);
    }
}

// ===== Frames =====

// The model breathing draws from: the proxy of a large model while it breathes, a small model
// itself; null when there is none to breathe.
const FileModel* breathingSource() {
    if (pulse == 0 || shown.pointCloud) {
        return nullptr;
    }
    if (!shown.needsProxy) {
        return shown.model.get();
    }
    return animMode == kAnimBreathe ? shown.proxy.get() : nullptr;
}

// The breathing corners for the current pulse, uploaded once per pulse.
void prepareBreathing(const FileModel& source) {
    const bool fromProxy = &source == shown.proxy.get();
    if (shown.breathingPulse == pulse && shown.breathingFromProxy == fromProxy) {
        return;
    }
    const Corners corners = breathingCorners(source, boxDiagonal(), pulse);
    const VertexSpan vertices = VertexSpan::of(
        corners.positions, &corners.normals, corners.colours.empty() ? nullptr : &corners.colours);
    shown.breathing.wire.uploadIndexed(GL_LINES, vertices, corners.edges);
    shown.breathing.surface.uploadArray(GL_TRIANGLES, vertices);
    shown.breathingPulse = pulse;
    shown.breathingFromProxy = fromProxy;
}

Picture choosePicture() {
    if (!shown.model && !shown.full.wireBuilt && !shown.full.surfaceBuilt) {
        return Picture::kNothing;
    }
    if (const FileModel* source = breathingSource()) {
        prepareBreathing(*source);
        return Picture::kBreathing;
    }
    return moving() && shown.proxy ? Picture::kProxy : Picture::kFull;
}

void drawPasses(const Passes& passes, const FrameMatrices& matrices) {
    for (const Pass& pass : passes) {
        usePass(pass, matrices);
        pass.geometry->drawAll(pass.ownColours);
        endPass(pass);
    }
}

FrameMatrices cameraMatrices() {
    FrameMatrices matrices;
    Mat4 projection(1.0f), model(1.0f);
    fileCamera(projection, model);
    toColumnMajor(projection, matrices.projection);
    toColumnMajor(model, matrices.model);
    return matrices;
}

void drawFrame() {
    ensureEntry(modelIndex);
    if (animating == 1) {
        lastMotion = Clock::now();
    }
    const Picture picture = choosePicture();
    const Passes passes = passesOf(picture);
    const FrameMatrices matrices = cameraMatrices();
    if (picture == Picture::kFull && target.steps && costOf(passes) > kDirectLines) {
        drawInSteps(FrameKey::of(matrices, shown.generation), matrices, passes);
        return;
    }
    stopSteps();
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glViewport(0, 0, windowWidth, windowHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    drawPasses(passes, matrices);
    drawOverlays(matrices);
    glFlush();
    if (target.present != nullptr) {
        target.present();
    }
    finishFrame(picture);
}

}  // namespace

// ===== Shared with the other parts of a frame =====

Shown& shownModel() {
    return shown;
}

void finishFrame(Picture picture) {
    lastPicture = picture;
    ++frames;
    if (picture == Picture::kFull) {
        shown.fullShown = true;
        startProxyWhenDue();
    }
    if (frameLog) {
        static const char* const kNames[] = {"nothing", "full", "proxy", "breathing"};
        std::printf("frame %s %lld\n", kNames[static_cast<int>(picture)],
                    static_cast<long long>(secondsSince(started) * 1000));
        std::fflush(stdout);
    }
}

SceneTarget sceneTarget() {
    return target;
}

// ===== Interface =====

void startScene(const SceneTarget& where) {
    target = where;
    buildPrograms();
    preparePoints();
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    started = Clock::now();
    lastMotion = started - std::chrono::hours(1);
    nextWatch = started;
    frameLog = std::getenv(kFrameLogVariable) != nullptr;
    setFrameDrawer(drawFrame);
}

void setEntryListener(void (*listener)(int entry)) {
    entryListener = listener;
}

void showModel(int entry, std::unique_ptr<FileModel> model, const FileStamp& stamp) {
    shown.entry = entry;
    install(std::move(model), stamp);
}

void setStyle(Style chosen) {
    style = chosen;
}

Style currentStyle() {
    return style;
}

void nextStyle() {
    style = style == Style::kWire      ? Style::kSurface
            : style == Style::kSurface ? Style::kEdges
                                       : Style::kWire;
}

double sceneTick() {
    takeProxyWhenDone();
    double wait = kWatchSeconds;
    if (stepsUnderWay()) {
        continueSteps();
        wait = 0;
    }
    if (shown.job) {
        wait = std::min(wait, kWatchSeconds / 2);
    }
    if (!moving() && (lastPicture == Picture::kProxy ||
                      (lastPicture == Picture::kBreathing && breathingSource() == nullptr))) {
        requestRedisplay();  // the motion has settled: the full model again
    } else if (lastPicture == Picture::kProxy) {
        wait = std::min(wait, kSettleSeconds - secondsSince(lastMotion));
    }
    if (Clock::now() >= nextWatch) {
        nextWatch = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(kWatchSeconds));
        watchShownFile();
    }
    return std::max(wait, 0.0);
}

void noteMotion() {
    lastMotion = Clock::now();
}

std::uint64_t fullLines() {
    if (!shown.model) {
        return shown.full.wire.primitives();
    }
    const Passes passes = passesOf(Picture::kFull);
    std::uint64_t lines = 0;
    for (const Pass& pass : passes) {
        lines += pass.lit ? 0 : pass.geometry->primitives();
    }
    return lines;
}

bool proxyReady() {
    return shown.proxy != nullptr;
}

std::uint64_t framesShown() {
    return frames;
}

}  // namespace plyview
