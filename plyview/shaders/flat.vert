// Lines, points and overlays: positions through the camera, the colour as given, a constant or
// one per vertex. No lighting: a wireframe reads best in its one colour.
in vec3 position;
in vec4 colour;

uniform mat4 model_matrix;
uniform mat4 projection_matrix;
uniform float point_size;

out vec4 shade;

void main() {
    gl_Position = projection_matrix * model_matrix * vec4(position, 1.0);
    gl_PointSize = point_size;
    shade = colour;
}
