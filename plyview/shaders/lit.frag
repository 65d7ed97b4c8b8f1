// Ambient plus diffuse light from the eye, no highlight, on the colour or, for a textured
// surface, the image's texel (which wins over the colour). Both sides are lit alike: open scans
// are seen from behind as often as from the front. A vertex without a normal faces the eye.
in vec3 eyePosition;
in vec3 eyeNormal;
in vec4 base;
in vec2 imagePoint;

uniform float ambient;
uniform float parallel;  // 1: a parallel projection, whose eye looks along -z everywhere
uniform float textured;  // 1: the colour is the image's
uniform sampler2D image;

out vec4 fragment;

void main() {
    vec3 toEye = parallel > 0.5 ? vec3(0.0, 0.0, 1.0) : normalize(-eyePosition);
    float size = length(eyeNormal);
    vec3 facing = size > 0.0 ? eyeNormal / size : toEye;
    float diffuse = abs(dot(facing, toEye));
    vec3 colour = textured > 0.5 ? texture(image, imagePoint).rgb : base.rgb;
    fragment = vec4(colour * (ambient + (1.0 - ambient) * diffuse), 1.0);
}
