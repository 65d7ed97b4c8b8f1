// Eye-dome lighting: each pixel of the model darkened by how far its neighbours a few pixels
// away stand in front of it, so that a step in depth shows as a dark line on its far side and a
// silhouette as a dark rim, while a surface facing the eye keeps its colour. The response is
// the sum over neighbours on the model of max(0, L(here) - L(there)); the shade is
// exp(-strength * response). L is the logarithm of the distance from the eye, which makes the
// response the same for a model of any size at any distance. The background keeps its colour.
// Every pixel's depth goes on as it was drawn, so that later passes depth-test against the
// model.
//
// PARALLEL (defined for a parallel projection, whose near plane may lie behind the eye, so that
// distances may be zero or less): L is the distance over `scale`, the distance at which the
// perspective frames the same size; near that distance the logarithm differs from it by a
// constant.
uniform sampler2D frame_colour;
uniform highp sampler2D frame_depth;
// The projection's terms of depth: at normalised device depth n the distance from the eye is
// (n w - y) / (n z - x). Perspective: x, y from the planes, z = -1, w = 0; parallel: z = 0, w = 1.
uniform vec4 depth_terms;
uniform float strength;
uniform float scale;  // PARALLEL only
uniform int radius;   // pixels to the neighbours, along the axes and the diagonals

out vec4 fragment;

const ivec2 kDirections[8] = ivec2[8](ivec2(1, 0), ivec2(-1, 0), ivec2(0, 1), ivec2(0, -1),
                                      ivec2(1, 1), ivec2(-1, -1), ivec2(1, -1), ivec2(-1, 1));

float distanceAt(float depth) {
    float n = 2.0 * depth - 1.0;
    return (n * depth_terms.w - depth_terms.y) / (n * depth_terms.z - depth_terms.x);
}

// The depth of neighbour i of `pixel`, the frame's edge standing in past it.
float neighbourDepth(ivec2 pixel, ivec2 last, int i) {
    return texelFetch(frame_depth, clamp(pixel + kDirections[i] * radius, ivec2(0), last), 0).r;
}

void main() {
    ivec2 pixel = ivec2(gl_FragCoord.xy);
    float depth = texelFetch(frame_depth, pixel, 0).r;
    vec4 colour = texelFetch(frame_colour, pixel, 0);
    gl_FragDepth = depth;
    if (depth >= 1.0) {
        fragment = colour;  // the background
        return;
    }
    ivec2 last = textureSize(frame_depth, 0) - 1;
    float here = distanceAt(depth);
    // A background neighbour counts as one at the same distance: nothing.
#ifdef PARALLEL
    // The sum of how far each neighbour stands in front.
    float response = 0.0;
    for (int i = 0; i < 8; ++i) {
        float next = neighbourDepth(pixel, last, i);
        response += next < 1.0 ? max(here - distanceAt(next), 0.0) : 0.0;
    }
    float shade = exp(-strength / scale * response);
#else
    // exp(-s * sum of log(max(1, here / there))) is the product of min(1, there / here) to the
    // power s: one power instead of a logarithm per neighbour.
    float nearer = 1.0;
    for (int i = 0; i < 8; ++i) {
        float next = neighbourDepth(pixel, last, i);
        nearer *= next < 1.0 ? min(distanceAt(next) / here, 1.0) : 1.0;
    }
    float shade = pow(nearer, strength);
#endif
    fragment = vec4(colour.rgb * shade, colour.a);
}
