// A splat's Gaussian at the fragment's offset from its centre, blended over what lies behind
// it; the splats come from back to front. Where its alpha is under the least drawn, nothing is.
in vec4 shade;
in vec2 offset;
flat in vec3 conic;
flat in float peak;

out vec4 fragment;

// LEAST_ALPHA and MOST_ALPHA are defined in front of the text, from the viewer's constants.

void main() {
    float power = -0.5 * (conic.x * offset.x * offset.x + 2.0 * conic.y * offset.x * offset.y +
                          conic.z * offset.y * offset.y);
    float alpha = min(MOST_ALPHA, peak * exp(power));
    if (alpha < LEAST_ALPHA) {
        discard;
    }
    fragment = vec4(shade.rgb, alpha);
}
