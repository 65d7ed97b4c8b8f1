// Eye-dome lighting: the shade of each pixel of the model, by how far its neighbours a few
// pixels away stand in front of it, so that a step in depth shows as a dark line on its far side
// and a silhouette as a dark rim, while a surface facing the eye keeps its colour. The frame's
// colours are in the target already: blending multiplies them by the shade. The response is the
// sum over the neighbours of max(0, L(here) - L(there)); the shade is exp(-STRENGTH * response).
// L is the logarithm of the distance from the eye, which makes the response the same for a
// model of any size at any distance. The background lies at the far plane, behind everything:
// as a neighbour it counts nothing, and it keeps its colour. Every pixel's depth goes on as it
// was drawn, so that later passes depth-test against the model.
//
// In a perspective the distance is |b| / u, where u = k - 2 depth and k = 1 - a for the
// projection's depth terms a, b (`depth_term` is k, from the near and far planes). So
// L(here) - L(there) = log(u(there) / u(here)), and exp(-STRENGTH * sum of max(0, log(q))) is
// the product of max(1, q) to the power -STRENGTH: per neighbour one multiply-add, and a few
// squarings at the end (logarithms and powers cost many times more on a software renderer).
//
// PARALLEL (defined for a parallel projection, whose near plane may lie behind the eye, so that
// distances may be zero or less): the distance is linear in depth, and L is the distance over
// the distance at which the perspective frames the same size (near that distance the logarithm
// differs from it by a constant). The response is then the sum of max(0, depth(here) -
// depth(there)) times a constant: `depth_term`, with STRENGTH folded in.
//
// STRENGTH (a whole number) and RADIUS (pixels to the neighbours, along the axes and the
// diagonals) are defined in front of this text.
uniform highp sampler2D frame_depth;
uniform float depth_term;

out vec4 fragment;

const ivec2 kDirections[8] = ivec2[8](ivec2(1, 0), ivec2(-1, 0), ivec2(0, 1), ivec2(0, -1),
                                      ivec2(1, 1), ivec2(-1, -1), ivec2(1, -1), ivec2(-1, 1));
const int kStrengthBits = 8;  // STRENGTH is below 2 to the power of this

// x to the power STRENGTH, by squaring; the loop unrolls, its tests on constants fold away.
float strengthPower(float x) {
    float power = 1.0;
    for (int bit = 0; bit < kStrengthBits; ++bit) {
        if (((STRENGTH >> bit) & 1) != 0) {
            power *= x;
        }
        x *= x;
    }
    return power;
}

void main() {
    ivec2 pixel = ivec2(gl_FragCoord.xy);
    ivec2 last = textureSize(frame_depth, 0) - 1;
    float depth = texelFetch(frame_depth, pixel, 0).r;
    gl_FragDepth = depth;
#ifdef PARALLEL
    float response = 0.0;
    for (int i = 0; i < 8; ++i) {
        ivec2 next = clamp(pixel + kDirections[i] * RADIUS, ivec2(0), last);
        response += max(depth - texelFetch(frame_depth, next, 0).r, 0.0);
    }
    float shade = exp(-depth_term * response);
#else
    // u(there) / u(here) = (k - 2 there) / (k - 2 here) = across - along * there.
    float along = 2.0 / (depth_term - 2.0 * depth);
    float across = depth_term * along * 0.5;
    float nearer = 1.0;
    for (int i = 0; i < 8; ++i) {
        ivec2 next = clamp(pixel + kDirections[i] * RADIUS, ivec2(0), last);
        nearer *= max(across - along * texelFetch(frame_depth, next, 0).r, 1.0);
    }
    float shade = 1.0 / strengthPower(nearer);
#endif
    fragment = vec4(vec3(depth < 1.0 ? shade : 1.0), 1.0);
}
