// How the file viewer draws: its programs (flat colour for lines and points, lit for surfaces,
// splats blended back to front), the passes of each display style, and the overlays. The GL state a
// pass needs is set here and put back after it.
#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "gpu/program.h"
#include "plyview/scene_parts.h"
#include "plyview/shader_text.h"

namespace plyview {

namespace {

// ===== Programs =====

// The attribute names, in the order of their locations (kPositionSlot, kColourSlot, ...).
const char* const kAttributes[] = {"position", "colour", "normal", "texcoord"};
constexpr int kAttributeCount = 4;
constexpr GLfloat kBehindFactor = 1.0f;  // polygon offset of a surface under its edges
constexpr GLfloat kBehindUnits = 1.0f;

// Text: dark letters on a light box that lets a little of the model through.
constexpr Vec4 kTextColour{0.08f, 0.08f, 0.08f, 1.0f};
constexpr Vec4 kTextBoxColour{0.97f, 0.97f, 0.97f, 0.75f};
// Elements of a column-major 4 x 4 matrix that a pixel projection sets.
constexpr int kXScale = 0, kYScale = 5, kZScale = 10, kWOne = 15, kXShift = 12, kYShift = 13;

struct Program {
    GLuint name = 0;
    GLint model = -1, projection = -1;  // the matrices
    GLint pointSize = -1, ambient = -1;
    GLint parallel = -1;  // the light comes along the view's axis in a parallel projection
    GLint textured = -1;  // the colour is the bound image's
};
Program flat;  // lines, points and overlays
Program lit;   // surfaces

// The splat program and where its uniforms are.
struct SplatProgram {
    GLuint name = 0;
    GLint model = -1, projection = -1, viewport = -1, parallel = -1;
};
SplatProgram splatProgram;

// The constants the splat shaders expect in front of their texts.
std::string splatConstants() {
    char text[256];
    std::snprintf(text, sizeof text,
                  "#define LEAST_ALPHA %.9g\n#define MOST_ALPHA %.9g\n#define SCREEN_BLUR %.9g\n",
                  static_cast<double>(kLeastSplatAlpha), static_cast<double>(kMaxSplatAlpha),
                  static_cast<double>(kScreenBlurPixels2));
    return text;
}

SplatProgram buildSplatProgram() {
    const std::string constants = std::string(kShaderPreamble) + splatConstants();
    const std::string vertex = constants + kSplatVertexShader;
    const std::string fragment = constants + kSplatFragmentShader;
    SplatProgram program;
    program.name = buildProgramFromSource(vertex.c_str(), fragment.c_str(), kSplatAttributes,
                                          kSplatAttributeCount);
    program.model = glGetUniformLocation(program.name, kModelMatrixUniform);
    program.projection = glGetUniformLocation(program.name, kProjectionMatrixUniform);
    program.viewport = glGetUniformLocation(program.name, "viewport");
    program.parallel = glGetUniformLocation(program.name, "parallel");
    return program;
}

// Splats over what is drawn: blended back to front, writing no depth among themselves. The
// program is built when a splat file first asks for it, so that no other start waits for it.
void useSplats(const FrameMatrices& matrices) {
    if (splatProgram.name == 0) {
        splatProgram = buildSplatProgram();
    }
    glUseProgram(splatProgram.name);
    glUniformMatrix4fv(splatProgram.model, 1, GL_FALSE, matrices.model);
    glUniformMatrix4fv(splatProgram.projection, 1, GL_FALSE, matrices.projection);
    glUniform2f(splatProgram.viewport, static_cast<float>(viewer().width),
                static_cast<float>(viewer().height));
    glUniform1f(splatProgram.parallel, viewer().orthographic ? 1.0f : 0.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
}

Program build(const char* vertex, const char* fragment) {
    Program program;
    program.name = buildViewerProgram(vertex, fragment);
    program.model = glGetUniformLocation(program.name, kModelMatrixUniform);
    program.projection = glGetUniformLocation(program.name, kProjectionMatrixUniform);
    program.pointSize = glGetUniformLocation(program.name, "point_size");
    program.ambient = glGetUniformLocation(program.name, "ambient");
    program.parallel = glGetUniformLocation(program.name, "parallel");
    program.textured = glGetUniformLocation(program.name, "textured");
    return program;
}

// A geometry drawn with the flat program in one colour, nothing else set.
Pass flatPass(const GpuGeometry& geometry, const Vec4& colour) {
    Pass pass;
    pass.geometry = &geometry;
    pass.colour = colour;
    return pass;
}

void useColour(const Vec4& colour) {
    glVertexAttrib4f(kColourSlot, colour.x, colour.y, colour.z, colour.w);
}

// ===== Layers =====

const FileModel* sourceOf(Picture picture) {
    Shown& shown = viewer().shown;
    return picture == Picture::kProxy ? shown.proxy.get() : shown.model.get();
}

// The wireframe: edges of the triangles, or the points of a cloud with their colours and normals
// (drawn green, or in their colours and lit, as the style says).
void buildWire(Layers& layers, const FileModel& model, bool pointCloud, const Paint& paint) {
    if (pointCloud) {
        // The file's normals, where it has them, light the points on a surface style.
        std::vector<float> normals;
        if (model.normals.size() == model.positions.size()) {
            surfaceNormals(model, normals);
        }
        layers.wire.uploadArray(
            GL_POINTS,
            VertexSpan::of(model.positions, normals.empty() ? nullptr : &normals, paint.vertex));
    } else {
        std::vector<std::uint32_t> edges;
        uniqueEdges(model.triangles, model.vertexCount(), edges);
        layers.wire.uploadIndexed(GL_LINES, VertexSpan::of(model.positions), edges);
    }
    layers.wireBuilt = true;
}

// A textured surface, its triangles in runs of one image: indexed into the vertices when they
// carry the texture coordinates, else three corners of their own per triangle.
void buildTexturedSurface(Layers& layers, const FileModel& model, const std::vector<float>& normals,
                          const Paint& paint) {
    const std::vector<std::uint32_t> order = trianglesByImage(model, layers.surfaceImages);
    if (model.cornerTexcoords.empty() && paint.triangle == nullptr) {
        std::vector<std::uint32_t> indices;
        indices.reserve(order.empty() ? 0 : model.triangles.size());
        for (const std::uint32_t t : order) {
            const std::uint32_t* corner = &model.triangles[std::size_t{t} * kCoordinates];
            indices.insert(indices.end(), corner, corner + kCoordinates);
        }
        layers.surface.uploadIndexed(
            GL_TRIANGLES, VertexSpan::of(model.positions, &normals, paint.vertex, &model.texcoords),
            order.empty() ? model.triangles : indices);
        return;
    }
    const Corners corners = cornersOf(model, normals, paint, order.empty() ? nullptr : &order);
    layers.surface.uploadArray(
        GL_TRIANGLES,
        VertexSpan::of(corners.positions, &corners.normals,
                       corners.colours.empty() ? nullptr : &corners.colours, &corners.texcoords));
}

// The surface: triangles indexed into the vertices with their normals and colours; with a colour
// per triangle, three corners of their own per triangle (a vertex has no colour of its own then).
void buildSurface(Layers& layers, const FileModel& model, const Paint& paint) {
    std::vector<float> normals;
    surfaceNormals(model, normals);
    layers.surfaceImages.clear();  // the runs of another colour source's surface
    if (paint.images) {
        buildTexturedSurface(layers, model, normals, paint);
    } else if (paint.triangle != nullptr && paint.vertex == nullptr) {
        const Corners corners = cornersOf(model, normals, paint);
        layers.surface.uploadArray(
            GL_TRIANGLES, VertexSpan::of(corners.positions, &corners.normals, &corners.colours));
    } else {
        layers.surface.uploadIndexed(
            GL_TRIANGLES, VertexSpan::of(model.positions, &normals, paint.vertex), model.triangles);
    }
    layers.surfaceBuilt = true;
}

}  // namespace

Layers* layersOf(Picture picture, bool wire, bool surface) {
    Shown& shown = viewer().shown;
    if (picture == Picture::kBreathing) {
        return &shown.breathing;  // built for each pulse by the scene
    }
    Layers& layers = picture == Picture::kProxy ? shown.proxyLayers : shown.full;
    const FileModel* model = sourceOf(picture);
    if (model == nullptr) {
        return &layers;  // dropped by an edit: what was uploaded stays
    }
    if ((wire || shown.pointCloud) && !layers.wireBuilt) {
        buildWire(layers, *model, shown.pointCloud, paintOf(picture));
    }
    if (surface && !shown.pointCloud && !layers.surfaceBuilt) {
        buildSurface(layers, *model, paintOf(picture));
    }
    return &layers;
}

// ===== Layers =====

void Layers::release() {
    wire.release();
    surface.release();
    splats.release();
    surfaceImages.clear();
    wireBuilt = surfaceBuilt = false;
}

// ===== Programs and passes =====

GLuint buildViewerProgram(const char* vertex, const char* fragment) {
    const std::string vertexText = std::string(kShaderPreamble) + vertex;
    const std::string fragmentText = std::string(kShaderPreamble) + fragment;
    return buildProgramFromSource(vertexText.c_str(), fragmentText.c_str(), kAttributes,
                                  kAttributeCount);
}

void buildPrograms() {
    flat = build(kFlatVertexShader, kFlatFragmentShader);
    lit = build(kLitVertexShader, kLitFragmentShader);
    splatProgram = SplatProgram();  // another context's, if any: built again when first used
}

void usePass(const Pass& pass, const FrameMatrices& matrices) {
    if (pass.splats != nullptr) {
        useSplats(matrices);
        return;
    }
    const Program& program = pass.lit ? lit : flat;
    glUseProgram(program.name);
    glUniformMatrix4fv(program.model, 1, GL_FALSE, matrices.model);
    glUniformMatrix4fv(program.projection, 1, GL_FALSE, matrices.projection);
    glUniform1f(program.pointSize, pass.pointSize > 0 ? pass.pointSize : viewer().pointSize);
    if (pass.lit) {
        glUniform1f(program.ambient, kAmbient);
        glUniform1f(program.parallel, viewer().orthographic ? 1.0f : 0.0f);
        glUniform1f(program.textured, 0.0f);  // drawPass binds each run's image
    }
    useColour(pass.colour);
    if (pass.behind) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(kBehindFactor, kBehindUnits);
    }
    if (pass.blended) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    if (pass.onTop) {
        glDisable(GL_DEPTH_TEST);
    }
}

// The texture of image `image` of the shown file; 0 where it has none.
GLuint textureOf(int image) {
    const std::vector<GLuint>& textures = viewer().shown.textures;
    return image >= 0 && static_cast<std::size_t>(image) < textures.size()
               ? textures[static_cast<std::size_t>(image)]
               : 0;
}

void drawPass(const Pass& pass, std::uint64_t first, std::uint64_t count) {
    if (pass.splats != nullptr) {
        pass.splats->draw(first, count);
        return;
    }
    if (pass.images == nullptr || !pass.lit || !pass.ownColours) {
        pass.geometry->draw(first, count, pass.ownColours);
        return;
    }
    const std::uint64_t end = first + count;
    for (const ImageRun& run : *pass.images) {
        const std::uint64_t from = std::max(first, run.first);
        const std::uint64_t to = std::min(end, run.first + run.count);
        if (from >= to) {
            continue;
        }
        const GLuint texture = textureOf(run.image);
        glBindTexture(GL_TEXTURE_2D, texture);
        glUniform1f(lit.textured, texture != 0 ? 1.0f : 0.0f);
        pass.geometry->draw(from, to - from, true);
    }
}

void endPass(const Pass& pass) {
    if (pass.splats != nullptr) {
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
        return;
    }
    if (pass.images != nullptr && pass.lit) {
        glBindTexture(GL_TEXTURE_2D, 0);
        glUniform1f(lit.textured, 0.0f);
    }
    if (pass.behind) {
        glDisable(GL_POLYGON_OFFSET_FILL);
    }
    if (pass.blended) {
        glDisable(GL_BLEND);
    }
    if (pass.onTop) {
        glEnable(GL_DEPTH_TEST);
    }
}

Passes passesOf(Picture picture) {
    const Shown& shown = viewer().shown;
    const Style style = viewer().style;
    const bool wire = style != Style::kSurface;
    const bool surface = style != Style::kWire;
    if (picture == Picture::kNothing) {
        return {};
    }
    ensurePainting();
    Layers* layers = layersOf(picture, wire, surface);
    if (shown.splats && surface) {
        // The splats in their colours; in the edges style their centres over them, as a
        // surface's edges show its structure.
        orderSplats(picture, *layers);
        if (picture == Picture::kProxy) {
            orderFullAhead();
        }
        Pass splats;
        splats.splats = &layers->splats.gpu;
        Passes passes{splats};
        if (wire) {
            Pass centres = flatPass(layers->wire, kEdgeColour);
            centres.blended = true;
            centres.pointSize = kSplatCentrePixels;
            passes.push_back(centres);
        }
        return passes;
    }
    if (shown.pointCloud) {
        // Points: green in the wireframe; on a surface in their colours (or grey), lit as a
        // surface is when they have normals. Shaded, they show best in the surface's grey.
        Pass points = flatPass(layers->wire, kMeshColor);
        if (surface) {
            points.ownColours = true;
            points.lit = layers->wire.hasNormals();
            points.colour = points.lit || viewer().eyeDomeOn ? kSurfaceGrey : kPointGrey;
        }
        return {points};
    }
    Passes passes;
    if (surface) {
        Pass triangles = flatPass(layers->surface, kSurfaceGrey);
        triangles.lit = true;
        triangles.ownColours = true;
        triangles.behind = wire;  // so that the edges drawn over it show
        if (!layers->surfaceImages.empty()) {
            triangles.images = &layers->surfaceImages;
        }
        passes.push_back(triangles);
    }
    if (wire) {
        Pass lines = flatPass(layers->wire, surface ? kEdgeColour : kMeshColor);
        lines.blended = surface;
        passes.push_back(lines);
    }
    return passes;
}

bool eyeDomeShades(const Passes& passes) {
    const Viewer& state = viewer();
    return state.eyeDomeOn && state.shown.pointCloud && !state.shown.splats &&
           state.style != Style::kWire && !passes.empty();
}

std::uint64_t primitivesOf(const Pass& pass) {
    return pass.splats != nullptr ? pass.splats->count() : pass.geometry->primitives();
}

std::uint64_t stepLinesOf(const Pass& pass) {
    return pass.splats != nullptr ? kSplatLines : 1;
}

std::uint64_t costOf(const Passes& passes) {
    std::uint64_t cost = 0;
    for (const Pass& pass : passes) {
        const bool lines = !pass.lit && !viewer().shown.pointCloud;
        cost += pass.splats != nullptr ? pass.splats->count() * kSplatLines
                : lines                ? pass.geometry->primitives()
                                       : pass.geometry->primitives() / 2;
    }
    return cost;
}

void drawOverlays(const FrameMatrices& matrices) {
    Shown& shown = viewer().shown;
    const bool normalsOn = viewer().view.normals && !shown.pointCloud;
    const bool boxOn = viewer().view.box && !shown.box.empty();
    if (!normalsOn && !boxOn) {
        drawMarks(matrices);
        return;
    }
    usePass(Pass{}, matrices);
    if (normalsOn) {
        // A large model's normals are its proxy's: one segment per triangle would hide it.
        const FileModel* source = shown.needsProxy ? shown.proxy.get() : shown.model.get();
        if (source != nullptr && shown.normals.empty()) {
            shown.normals.uploadArray(GL_LINES,
                                      VertexSpan::of(normalSegments(*source, shownDiagonal())));
        }
        useColour(kNormalColor);
        shown.normals.drawAll();
    }
    if (boxOn) {
        useColour(kBoxColor);
        shown.box.drawAll();
    }
    drawMarks(matrices);
}

namespace {

// Frame pixels from the top left to clip space; the model matrix leaves them as they are.
FrameMatrices pixelMatrices() {
    FrameMatrices matrices;
    const float width = static_cast<float>(viewer().width);
    const float height = static_cast<float>(viewer().height);
    matrices.projection[kXScale] = 2.0f / width;
    matrices.projection[kYScale] = -2.0f / height;
    matrices.projection[kZScale] = 1.0f;
    matrices.projection[kXShift] = -1.0f;
    matrices.projection[kYShift] = 1.0f;
    matrices.projection[kWOne] = 1.0f;
    for (const int i : {kXScale, kYScale, kZScale, kWOne}) {
        matrices.model[i] = 1.0f;
    }
    return matrices;
}

void drawPixelPasses(std::initializer_list<Pass> passes) {
    const FrameMatrices matrices = pixelMatrices();
    for (const Pass& pass : passes) {
        if (!pass.geometry->empty()) {
            usePass(pass, matrices);
            pass.geometry->drawAll(pass.ownColours);
            endPass(pass);
        }
    }
}

}  // namespace

void drawText(const ScreenText& text) {
    Pass box = flatPass(text.box(), kTextBoxColour);
    box.blended = box.onTop = true;
    Pass letters = flatPass(text.letters(), kTextColour);
    letters.onTop = true;
    drawPixelPasses({box, letters});
}

void drawOnTop(const GpuGeometry& geometry) {
    Pass pass = flatPass(geometry, kTextColour);
    pass.ownColours = pass.onTop = true;
    drawPixelPasses({pass});
}

}  // namespace plyview
