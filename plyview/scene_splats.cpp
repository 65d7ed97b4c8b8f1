// A splat file's splats in the viewer: the view they are sorted for, the sorts that follow the
// view (one at a time per picture, away from the drawing thread where the platform has threads,
// while the last order is drawn), the colours a colour source other than the file's gives them,
// and the up axis a capture starts with.
#include <GL/glew.h>

#include <algorithm>

#include "plyview/platform.h"
#include "plyview/scene_parts.h"

namespace plyview {

namespace {

constexpr float kLevels = 255.0f;  // of a colour byte

// The colour source's colours over the view's, where it is not the file's own: a property's or
// the height's scale per splat, else the surface's grey.
void paintInstances(Picture picture, SplatOrderJob& job) {
    if (viewer().shown.painting.source.kind == SourceKind::kFile) {
        return;
    }
    const Paint paint = paintOf(picture);
    const std::vector<std::uint8_t>* colours = paint.vertex;
    const auto level = [](float value) {
        return static_cast<std::uint8_t>(value * kLevels + 0.5f);
    };
    const std::uint8_t grey[kColourBytes] = {level(kSurfaceGrey.x), level(kSurfaceGrey.y),
                                             level(kSurfaceGrey.z), level(kSurfaceGrey.w)};
    for (std::size_t k = 0; k < job.instances.size(); ++k) {
        const std::size_t i = job.order[k];
        const std::uint8_t* colour = colours != nullptr && colours->size() >= (i + 1) * kColourBytes
                                         ? &(*colours)[i * kColourBytes]
                                         : grey;
        std::copy(colour, colour + kColourBytes, job.instances[k].colour);
    }
}

// A finished sort's instances onto the GPU. A full frame under way in steps drew from the order
// before: it starts again.
void takeSort(Picture picture, SplatLayer& layer) {
    if (!layer.sorting || !layer.job->done.load(std::memory_order_acquire)) {
        return;
    }
    SplatOrderJob& job = *layer.job;
    layer.sorting = false;
    paintInstances(picture, job);
    layer.gpu.upload(job.instances.data(), job.instances.size());
    layer.view = job.view;
    layer.ordered = true;
    if (picture == Picture::kFull) {
        stopSteps();
        ++viewer().shown.generation;
    }
}

std::shared_ptr<const FileModel> modelOf(Picture picture) {
    const Shown& shown = viewer().shown;
    return picture == Picture::kProxy ? std::shared_ptr<const FileModel>(shown.proxy) : shown.model;
}

}  // namespace

void SplatLayer::release() {
    gpu.release();
    ordered = recolour = sorting = false;
    job = std::make_shared<SplatOrderJob>();  // a sort under way keeps its own share
}

SplatView currentSplatView() {
    const Eye eye = eyeOf(currentCamera());
    const Point3 at = toModel(eye, Point3{0, 0, 0});
    const Point3 ahead = transposed(eye.rotation) * Point3{0, 0, -1};
    SplatView view;
    view.eye[0] = static_cast<float>(at.x);
    view.eye[1] = static_cast<float>(at.y);
    view.eye[2] = static_cast<float>(at.z);
    view.forward[0] = static_cast<float>(ahead.x);
    view.forward[1] = static_cast<float>(ahead.y);
    view.forward[2] = static_cast<float>(ahead.z);
    view.parallel = eye.orthographic;
    return view;
}

bool orderSplats(Picture picture, Layers& layers) {
    SplatLayer& layer = layers.splats;
    takeSort(picture, layer);
    const std::shared_ptr<const FileModel> model = modelOf(picture);
    if (!model) {
        return layer.ordered;  // an edit dropped the model: what was uploaded stays, as it is
    }
    const SplatView view = currentSplatView();
    const bool current = layer.ordered && !layer.recolour && sameView(layer.view, view);
    if (current || layer.sorting) {
        return current;
    }
    SplatOrderJob& job = *layer.job;
    job.model = model;
    job.view = view;
    job.done.store(false, std::memory_order_relaxed);
    layer.sorting = true;
    layer.recolour = false;
    // Without events between frames (pictures), or with nothing to show yet, the sort is waited
    // for.
    if (!viewer().target.steps || !layer.ordered) {
        runSplatOrderJob(job);
    } else {
        startSplatOrderJob(layer.job);
    }
    takeSort(picture, layer);
    return layer.ordered && sameView(layer.view, view);
}

void orderFullAhead() {
    Shown& shown = viewer().shown;
    const SplatLayer& standIn = shown.proxyLayers.splats;
    if (!splatOrderAway() || viewer().pointer.button != kNoDrag || !standIn.ordered ||
        standIn.sorting || !shown.full.splats.ordered ||
        !sameView(standIn.view, currentSplatView())) {
        return;
    }
    orderSplats(Picture::kFull, shown.full);
}

bool splatSortDone() {
    const Shown& shown = viewer().shown;
    for (const Layers* layers : {&shown.full, &shown.proxyLayers}) {
        const SplatLayer& layer = layers->splats;
        if (layer.sorting && layer.job->done.load(std::memory_order_acquire)) {
            return true;
        }
    }
    return false;
}

bool splatSortUnderWay() {
    const Shown& shown = viewer().shown;
    return shown.full.splats.sorting || shown.proxyLayers.splats.sorting;
}

UpAxis startUp() {
    const Viewer& state = viewer();
    return state.shown.splats && !state.start.upGiven ? UpAxis::kMinusY : state.start.up;
}

}  // namespace plyview
