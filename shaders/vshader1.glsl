#version 140

// Corner position and colour from the one vertex buffer.
in vec4 vPosition;
in vec4 vColor;

uniform mat4 model_matrix;
uniform mat4 projection_matrix;

out vec4 color;

void main() {
    gl_Position = projection_matrix * model_matrix * vPosition;
    color = vColor;
}
