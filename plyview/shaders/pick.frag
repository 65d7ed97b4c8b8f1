// The depth of the nearest surface as a colour, for reading back where the depth buffer itself
// cannot be read (WebGL): 24 bits over red, green and blue; alpha 1 marks the model, 0 the
// background.
in vec4 shade;

out vec4 fragment;

void main() {
    highp uint depth = uint(gl_FragCoord.z * 16777215.0 + 0.5);
    fragment = vec4(float(depth >> 16u), float((depth >> 8u) & 255u), float(depth & 255u),
                    255.0) / 255.0;
}
