// Gaussian splats, one quad per instance, its corners from the vertex number alone (a triangle
// strip of four). The splat's covariance is carried into view space and projected to a 2 x 2
// covariance in pixels through the projection's Jacobian at its centre; the quad is laid along
// that ellipse's axes out to where its alpha falls under the least drawn, and each fragment then
// evaluates the Gaussian at its own offset from the centre (splat.frag).
in vec3 position;
in vec3 covariance_a;  // xx, xy, xz
in vec3 covariance_b;  // yy, yz, zz
in float opacity;
in vec4 colour;

uniform mat4 model_matrix;
uniform mat4 projection_matrix;
uniform vec2 viewport;   // the frame's width and height in pixels
uniform float parallel;  // 1: a parallel projection

out vec4 shade;
out vec2 offset;      // pixels from the splat's centre (the corners share a w: exact)
flat out vec3 conic;  // the inverse of the screen covariance: xx, xy, yy
flat out float peak;  // the opacity at the centre

// LEAST_ALPHA, MOST_ALPHA and SCREEN_BLUR (square pixels on the diagonal: no splat thinner than
// a pixel) are defined in front of the text, from the viewer's constants.

// The Jacobian is taken no farther out than this many half-widths of the view: a splat whose
// centre lies far outside it would otherwise be stretched without bound across the picture.
const float kEdgeReach = 1.3;

void cull() {
    gl_Position = vec4(0.0, 0.0, 2.0, 1.0);  // outside the clip volume: nothing drawn
    shade = vec4(0.0);
    offset = vec2(0.0);
    conic = vec3(0.0);
    peak = 0.0;
}

void main() {
    vec4 view = model_matrix * vec4(position, 1.0);
    vec4 clip = projection_matrix * view;
    if (opacity < LEAST_ALPHA || clip.w <= 0.0 || clip.z < -clip.w) {
        cull();  // all but invisible, or behind the near plane
        return;
    }
    mat3 turn = mat3(model_matrix);
    mat3 sigma = mat3(covariance_a.x, covariance_a.y, covariance_a.z,
                      covariance_a.y, covariance_b.x, covariance_b.y,
                      covariance_a.z, covariance_b.y, covariance_b.z);
    mat3 seen = turn * sigma * transpose(turn);
    float fx = projection_matrix[0][0] * viewport.x * 0.5;
    float fy = projection_matrix[1][1] * viewport.y * 0.5;
    // Columns of the transposed Jacobian: d(pixel x, pixel y) / d(view x, y, z).
    vec3 jx = vec3(fx, 0.0, 0.0);
    vec3 jy = vec3(0.0, fy, 0.0);
    if (parallel < 0.5) {
        float depth = -view.z;  // in front of the eye
        float reachX = kEdgeReach / projection_matrix[0][0];
        float reachY = kEdgeReach / projection_matrix[1][1];
        float x = clamp(view.x / depth, -reachX, reachX);
        float y = clamp(view.y / depth, -reachY, reachY);
        jx = vec3(fx / depth, 0.0, fx * x / depth);
        jy = vec3(0.0, fy / depth, fy * y / depth);
    }
    float a = dot(jx, seen * jx) + SCREEN_BLUR;
    float b = dot(jx, seen * jy);
    float c = dot(jy, seen * jy) + SCREEN_BLUR;
    float determinant = a * c - b * b;
    if (!(determinant > 0.0)) {
        cull();
        return;
    }
    // The ellipse's axes: eigenvalues and unit eigenvectors of [[a, b], [b, c]].
    float middle = 0.5 * (a + c);
    float spread = sqrt(max(0.25 * (a - c) * (a - c) + b * b, 0.0));
    float major = middle + spread;
    float minor = max(middle - spread, SCREEN_BLUR);
    vec2 along = abs(b) > 1e-12 * major ? normalize(vec2(b, major - a))
                 : (a >= c ? vec2(1.0, 0.0) : vec2(0.0, 1.0));
    vec2 across = vec2(-along.y, along.x);
    float strength = min(opacity, MOST_ALPHA);
    float reach = sqrt(2.0 * log(strength / LEAST_ALPHA));  // standard deviations to alpha 1/255
    vec2 corner = vec2(float(gl_VertexID & 1) * 2.0 - 1.0, float(gl_VertexID & 2) - 1.0);
    offset = corner.x * reach * sqrt(major) * along + corner.y * reach * sqrt(minor) * across;
    gl_Position = clip + vec4(offset / viewport * 2.0 * clip.w, 0.0, 0.0);
    shade = colour;
    conic = vec3(c, -b, a) / determinant;
    peak = opacity;
}
