// What the shown model is coloured by: the file's colours, a property the file measured, the
// height along the up axis, or nothing. A property's scale is found once per file; its colours
// are made when the source or the up axis changes, and only the layers that carry colours are
// built again.
#include <GL/glew.h>

#include <algorithm>
#include <cmath>

#include "plyview/scene_parts.h"

namespace plyview {

namespace {

// ===== Constants =====

constexpr int kAxisOfUp[kUpAxisCount] = {1, 1, 2, 2, 0, 0};  // in UpAxis order
constexpr double kSignOfUp[kUpAxisCount] = {1, -1, 1, -1, 1, -1};

// ===== Sources =====

// A textured file's images are its colours, even without colours of its vertices.
bool hasFileColours(const FileModel& model) {
    return !model.colours.empty() || !model.faceColours.empty() || textured(model);
}

// In the order `c` steps through them.
std::vector<Source> sourcesOf(const FileModel& model) {
    std::vector<Source> sources;
    if (hasFileColours(model)) {
        sources.push_back(Source{SourceKind::kFile, -1});
    }
    for (std::size_t k = 0; k < model.properties.size(); ++k) {
        sources.push_back(Source{SourceKind::kProperty, static_cast<int>(k)});
    }
    if (model.vertexCount() > 0) {
        sources.push_back(Source{SourceKind::kHeight, -1});
    }
    sources.push_back(Source{SourceKind::kNone, -1});
    return sources;
}

std::string nameOf(const FileModel& model, const Source& source) {
    switch (source.kind) {
        case SourceKind::kFile:
            return kFileColoursSource;
        case SourceKind::kProperty:
            return model.properties[static_cast<std::size_t>(source.property)].name;
        case SourceKind::kHeight:
            return kHeightSource;
        case SourceKind::kNone:
            break;
    }
    return kNoColourSource;
}

// The source of that name among the model's; without one, the file's colours, or none.
Source sourceNamed(const FileModel& model, const std::string& name) {
    for (const Source& source : sourcesOf(model)) {
        if (nameOf(model, source) == name) {
            return source;
        }
    }
    return Source{hasFileColours(model) ? SourceKind::kFile : SourceKind::kNone, -1};
}

// ===== Values =====

// The height of each vertex along the up axis, in the file's own units.
PropertyValues heightsOf(const FileModel& model, UpAxis up) {
    const int axis = kAxisOfUp[static_cast<int>(up)];
    const double sign = kSignOfUp[static_cast<int>(up)];
    PropertyValues heights;
    heights.name = kHeightSource;
    heights.base = sign * model.centre[axis];
    heights.values.resize(model.vertexCount());
    for (std::size_t i = 0; i < heights.values.size(); ++i) {
        heights.values[i] = static_cast<float>(sign) *
                            model.positions[i * kCoordinates + static_cast<std::size_t>(axis)];
    }
    return heights;
}

// The property of the proxy that stands for the model's property k (the proxy keeps them by
// name, a face's values moved to its vertices); null when it has none.
const PropertyValues* proxyProperty(const FileModel& proxy, const FileModel& model, int k) {
    const std::string& name = model.properties[static_cast<std::size_t>(k)].name;
    for (const PropertyValues& property : proxy.properties) {
        if (property.name == name && property.values.size() == proxy.vertexCount()) {
            return &property;
        }
    }
    return nullptr;
}

// The scale of the painting's source, found once per file.
const ColourScale& scaleFor(Painting& painting, const FileModel& model, const Source& source,
                            UpAxis up, const PropertyValues& values) {
    const std::size_t slot = source.kind == SourceKind::kProperty
                                 ? static_cast<std::size_t>(source.property)
                                 : model.properties.size() + static_cast<std::size_t>(up);
    painting.scales.resize(model.properties.size() + kUpAxisCount);
    if (!painting.scales[slot]) {
        painting.scales[slot] = std::make_unique<ColourScale>(scaleOf(values));
    }
    return *painting.scales[slot];
}

// The layers drawn in colours are built again; the others stay.
void releaseColouredLayers() {
    Shown& shown = viewer().shown;
    for (Layers* layers : {&shown.full, &shown.proxyLayers}) {
        layers->splats.recolour = true;
        if (shown.pointCloud) {
            layers->wire.release();
            layers->wireBuilt = false;
        } else {
            layers->surface.release();
            layers->surfaceBuilt = false;
        }
    }
    shown.breathingPulse = INT_MIN;
    ++shown.generation;
}

void paint(Painting& painting, const FileModel& model, const Source& source, UpAxis up) {
    painting.model = &model;
    painting.source = source;
    painting.up = up;
    painting.name = nameOf(model, source);
    painting.vertex.clear();
    painting.triangle.clear();
    painting.proxy.clear();
    painting.proxyModel = nullptr;
    painting.scale = ColourScale{};
    if (source.kind == SourceKind::kProperty) {
        const PropertyValues& values = model.properties[static_cast<std::size_t>(source.property)];
        painting.scale = scaleFor(painting, model, source, up, values);
        paintValues(painting.scale, values, values.face ? painting.triangle : painting.vertex);
    } else if (source.kind == SourceKind::kHeight) {
        const PropertyValues heights = heightsOf(model, up);
        painting.scale = scaleFor(painting, model, source, up, heights);
        paintValues(painting.scale, heights, painting.vertex);
    }
    painting.legendLaidOut = false;
}

bool painted(const Source& source) {
    return source.kind == SourceKind::kProperty || source.kind == SourceKind::kHeight;
}

// The proxy's colours from the model's scale, made when the proxy is first drawn.
void paintProxy(Painting& painting, const FileModel& proxy) {
    painting.proxyModel = &proxy;
    painting.proxy.clear();
    if (painting.source.kind == SourceKind::kHeight) {
        paintValues(painting.scale, heightsOf(proxy, painting.up), painting.proxy);
    } else if (const PropertyValues* values =
                   proxyProperty(proxy, *painting.model, painting.source.property)) {
        paintValues(painting.scale, *values, painting.proxy);
    }
}

}  // namespace

Paint Paint::ofFile(const FileModel& model) {
    Paint paint;
    paint.vertex = model.colours.empty() ? nullptr : &model.colours;
    paint.triangle = model.faceColours.empty() ? nullptr : &model.faceColours;
    paint.images = textured(model);
    return paint;
}

void Painting::release() {
    legendText.release();
    legendColours.release();
    *this = Painting();
}

void ensurePainting() {
    Viewer& state = viewer();
    Shown& shown = state.shown;
    Painting& painting = shown.painting;
    const FileModel* model = shown.model.get();
    if (model == nullptr) {
        return;  // dropped by an edit: what was uploaded stays
    }
    // Asked before every frame: the names are looked up only when the wish or the model changes.
    const bool upMatters = painting.source.kind == SourceKind::kHeight;
    if (painting.model == model && painting.wished == state.colourBy &&
        (!upMatters || painting.up == state.up)) {
        return;
    }
    const Source source = sourceNamed(*model, state.colourBy);
    painting.wished = state.colourBy;
    if (painting.model == model && painting.source == source &&
        (source.kind != SourceKind::kHeight || painting.up == state.up)) {
        return;  // another name for the same colours
    }
    const bool first = painting.model != model;
    paint(painting, *model, source, state.up);
    if (!first) {
        releaseColouredLayers();
    }
}

Paint paintOf(Picture picture) {
    Shown& shown = viewer().shown;
    Painting& painting = shown.painting;
    const bool proxy = picture == Picture::kProxy;
    const FileModel* model = proxy ? shown.proxy.get() : shown.model.get();
    if (model == nullptr || painting.source.kind == SourceKind::kNone) {
        return Paint{};
    }
    if (!painted(painting.source)) {
        return Paint::ofFile(*model);
    }
    Paint paint;
    if (!proxy) {
        paint.vertex = painting.vertex.empty() ? nullptr : &painting.vertex;
        paint.triangle = painting.triangle.empty() ? nullptr : &painting.triangle;
        return paint;
    }
    if (painting.proxyModel != model) {
        paintProxy(painting, *model);
    }
    paint.vertex = painting.proxy.empty() ? nullptr : &painting.proxy;
    return paint;
}

void nextColourSource() {
    Viewer& state = viewer();
    const FileModel* model = state.shown.model.get();
    if (model == nullptr) {
        return;
    }
    const std::vector<Source> sources = sourcesOf(*model);
    const Source now = sourceNamed(*model, state.colourBy);
    const auto at = std::find(sources.begin(), sources.end(), now);
    const std::size_t next = at == sources.end() ? 0 : (at - sources.begin() + 1) % sources.size();
    state.colourBy = nameOf(*model, sources[next]);
    if (state.style == Style::kWire) {
        state.style = Style::kSurface;  // the wireframe is green: colours show on the surface
    }
    state.frameWanted = true;
}

}  // namespace plyview
