// Surfaces, and the points of clouds with normals, lit by a light at the eye, in their colours
// or their image. The model matrix
// only turns and moves the model (the camera never scales it), so it carries normals into eye
// space unchanged in length.
in vec3 position;
in vec3 normal;
in vec4 colour;
in vec2 texcoord;

uniform mat4 model_matrix;
uniform mat4 projection_matrix;
uniform float point_size;

out vec3 eyePosition;
out vec3 eyeNormal;
out vec4 base;
out vec2 imagePoint;

void main() {
    vec4 eye = model_matrix * vec4(position, 1.0);
    eyePosition = eye.xyz;
    eyeNormal = mat3(model_matrix) * normal;
    base = colour;
    // v = 0 is the image's bottom row; the image is uploaded top row first, at t = 0.
    imagePoint = vec2(texcoord.x, 1.0 - texcoord.y);
    gl_Position = projection_matrix * eye;
    gl_PointSize = point_size;
}
