// The file viewer's frames. The shown file's model is read once per edit and uploaded once per
// load; a frame draws it from the GPU: the full model at rest, the proxy while it moves, the
// breathing corners while it breathes, then the overlays. A full model too heavy to draw
// between two events is drawn in steps into a framebuffer of its own, which is shown when done.
#include <GL/glew.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plyview/plyview.h"
#include "plyview/scene_parts.h"

namespace plyview {

namespace {

// ===== What is shown =====

struct Shown {
    int entry = -1;   // catalogue entry, or -1 before the first frame
    FileStamp stamp;  // of the bytes the model was read from
    // The model as read; null when the entry shows nothing, or once an edit has dropped it.
    std::shared_ptr<const FileModel> model;
    bool pointCloud = false;
    bool needsProxy = false;
    bool fullShown = false;         // a full frame of this model has been on screen
    std::uint64_t generation = 0;   // changes with every upload a frame depends on
    GpuGeometry full;               // edges, or the points of a cloud
    std::shared_ptr<ProxyJob> job;  // the proxy under way
    std::unique_ptr<FileModel> proxy;
    GpuGeometry proxyGpu;
    GpuGeometry box;
    GpuGeometry normals;
    bool normalsFromProxy = false;  // what `normals` was built from
    GpuGeometry breathing;
    int breathingPulse = INT_MIN;  // pulse `breathing` was built for
    bool breathingFromProxy = false;
};

// ===== Scene state =====
SceneTarget target;        // where frames go
ShaderSlots slots;         // the program's inputs
GLint modelLocation = -1;  // uniforms of the program
GLint projectionLocation = -1;
Shown shown;                              // the entry on screen
void (*entryListener)(int) = nullptr;     // told when another entry is shown
Clock::time_point started;                // for the frame log
Clock::time_point lastMotion;             // the last drag, wheel or animated frame
Clock::time_point nextWatch;              // when the shown file's status is looked at next
FileStamp pendingStamp;                   // a changed status waiting to stay the same one poll
FileStamp triedStamp;                     // the last edit read, good or refused
Picture lastPicture = Picture::kNothing;  // what the last frame showed
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
    shown.proxyGpu.release();
}

// Everything a frame draws of the shown model, on the GPU and off it.
void releaseShown() {
    stopProxy();
    shown.model.reset();
    shown.full.release();
    shown.box.release();
    shown.normals.release();
    shown.breathing.release();
    shown.breathingPulse = INT_MIN;
    shown.fullShown = false;
    ++shown.generation;
}

void uploadModel(const FileModel& model) {
    if (shown.pointCloud) {
        shown.full.uploadArray(GL_POINTS, model.positions, slots);
    } else {
        std::vector<std::uint32_t> edges;
        uniqueEdges(model.triangles, model.vertexCount(), edges);
        shown.full.uploadLines(model.positions, edges, slots);
    }
    if (model.vertexCount() > 0) {
        shown.box.uploadArray(GL_LINE_STRIP, boxCorners(model), slots);
    }
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
    uploadModel(*model);
    shown.model = std::move(model);
}

// Reads the entry's file; an empty entry when it cannot be read.
void readEntry(int entry) {
    const std::string path = catalogueFile(entry);
    const FileStamp stamp = stampOf(path);
    auto model = std::make_unique<FileModel>();
    std::string problem;
    if (!readFileModel(path, *model, problem)) {
        report(path, problem);
        install(nullptr, stamp);
        return;
    }
    tellNotes(path, model->notes);
    install(std::move(model), stamp);
}

void ensureEntry(int entry) {
    if (entry == shown.entry) {
        return;
    }
    releaseShown();  // room for the next model before it is read
    shown.entry = entry;
    readEntry(entry);
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
    auto model = std::make_unique<FileModel>();
    std::string problem;
    if (!readFileModel(path, *model, problem)) {
        report(path, problem);
        return;
    }
    tellNotes(path, model->notes);
    install(std::move(model), now);
    requestRedisplay();
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
    if (shown.pointCloud) {
        shown.proxyGpu.uploadArray(GL_POINTS, shown.proxy->positions, slots);
    } else {
        shown.proxyGpu.uploadLines(shown.proxy->positions, job->edges, slots);
    }
    ++shown.generation;
    if (frameLog) {
        std::printf("proxy %zu triangles %zu vertices\n", shown.proxy->triangleCount(),
                    shown.proxy->vertexCount());
        std::fflush(stdout);
    }
}

// ===== Frames =====

// The model breathing draws from: the proxy of a large model while it breathes, a small
// model itself; null when there is none to breathe.
const FileModel* breathingSource() {
    if (pulse == 0 || shown.pointCloud) {
        return nullptr;
    }
    if (!shown.needsProxy) {
        return shown.model.get();
    }
    return animMode == kAnimBreathe ? shown.proxy.get() : nullptr;
}

Picture choosePicture() {
    if (shown.full.empty()) {
        return Picture::kNothing;
    }
    if (breathingSource() != nullptr) {
        return Picture::kBreathing;
    }
    return moving() && shown.proxy ? Picture::kProxy : Picture::kFull;
}

void useColour(const Vec4& colour) {
    if (slots.colour >= 0) {
        glVertexAttrib4f(static_cast<GLuint>(slots.colour), colour.x, colour.y, colour.z, colour.w);
    }
}

void uploadMatrices(const FrameMatrices& matrices) {
    glUniformMatrix4fv(modelLocation, 1, GL_FALSE, matrices.model);
    glUniformMatrix4fv(projectionLocation, 1, GL_FALSE, matrices.projection);
}

void drawGeometry(const GpuGeometry& geometry, std::uint64_t first, std::uint64_t count) {
    if (shown.pointCloud) {
        glPointSize(kPointSize);
    }
    geometry.draw(first, count);
}

// The normal segments of the model breathing or the overlay draws from, built when first asked.
void drawNormals() {
    const bool fromProxy = shown.needsProxy;
    const FileModel* source = fromProxy ? shown.proxy.get() : shown.model.get();
    if (shown.normals.empty() || shown.normalsFromProxy != fromProxy) {
        if (source == nullptr || shown.pointCloud) {
            return;
        }
        shown.normals.uploadArray(GL_LINES, normalSegments(*source, boxDiagonal()), slots);
        shown.normalsFromProxy = fromProxy;
    }
    useColour(kNormalColor);
    shown.normals.drawAll();
}

void drawOverlays() {
    if (showNormals == 1) {
        drawNormals();
    }
    if (showBox == 1 && !shown.box.empty()) {
        useColour(kBoxColor);
        shown.box.drawAll();
    }
}

const GpuGeometry& geometryOf(Picture picture) {
    if (picture == Picture::kBreathing) {
        const FileModel* source = breathingSource();
        const bool fromProxy = source == shown.proxy.get();
        if (shown.breathingPulse != pulse || shown.breathingFromProxy != fromProxy) {
            shown.breathing.uploadArray(GL_LINES, breathingLines(*source, boxDiagonal(), pulse),
                                        slots);
            shown.breathingPulse = pulse;
            shown.breathingFromProxy = fromProxy;
        }
        return shown.breathing;
    }
    return picture == Picture::kProxy ? shown.proxyGpu : shown.full;
}

void beginFrame(GLuint framebuffer) {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, windowWidth, windowHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
}

}  // namespace

void report(const std::string& path, const std::string& problem) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), problem.c_str());
    std::fflush(stderr);
}

void tellNotes(const std::string& path, const PlyNotes& notes) {
    if (notes.shortFaces > 0) {
        std::printf("%s: faces of fewer than 3 corners left out: %lld\n", path.c_str(),
                    static_cast<long long>(notes.shortFaces));
    }
    if (notes.pointCloud) {
        std::printf("%s: %lld vertices and no faces\n", path.c_str(),
                    static_cast<long long>(notes.fileVertices));
    }
    std::fflush(stdout);
}

// ===== Shared with the steps of a heavy frame =====

void finishFrame(Picture picture) {
    lastPicture = picture;
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

void drawFullPart(const FrameMatrices& matrices, std::uint64_t first, std::uint64_t count) {
    uploadMatrices(matrices);
    useColour(kMeshColor);
    drawGeometry(shown.full, first, count);
}

void drawFullOverlays(const FrameMatrices& matrices) {
    uploadMatrices(matrices);
    drawOverlays();
}

std::uint64_t fullPrimitives() {
    return shown.full.primitives();
}

SceneTarget sceneTarget() {
    return target;
}

// ===== The frame drawer =====

void drawFrame() {
    ensureEntry(modelIndex);
    if (animating == 1) {
        lastMotion = Clock::now();
    }
    const Picture picture = choosePicture();
    FrameMatrices matrices;
    Mat4 projection(1.0f), model(1.0f);
    fileCamera(projection, model);
    toColumnMajor(projection, matrices.projection);
    toColumnMajor(model, matrices.model);
    if (picture == Picture::kFull && target.steps && shown.full.primitives() > kDirectLines) {
        drawInSteps(FrameKey::of(matrices, shown.generation), matrices);
        return;
    }
    stopSteps();
    beginFrame(target.framebuffer);
    if (picture != Picture::kNothing) {
        uploadMatrices(matrices);
        useColour(kMeshColor);
        const GpuGeometry& geometry = geometryOf(picture);
        drawGeometry(geometry, 0, geometry.primitives());
        drawOverlays();
    }
    glFlush();
    if (target.present != nullptr) {
        target.present();
    }
    finishFrame(picture);
}

void startScene(const SceneTarget& where) {
    target = where;
    slots.position = glGetAttribLocation(program, kPositionAttribute);
    slots.colour = colorLocation;
    modelLocation = glGetUniformLocation(program, kModelMatrixUniform);
    projectionLocation = glGetUniformLocation(program, kProjectionMatrixUniform);
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
    releaseShown();
    shown.entry = entry;
    install(std::move(model), stamp);
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
    return shown.full.primitives();
}

bool proxyReady() {
    return shown.proxy != nullptr;
}

}  // namespace plyview
