// One triangle that covers the whole frame, its corners from the vertex number alone: no vertex
// buffer. Corners 0, 1, 2 at (-1, -1), (3, -1), (-1, 3) in clip space.
void main() {
    vec2 corner = vec2(float((gl_VertexID & 1) * 4 - 1), float((gl_VertexID & 2) * 2 - 1));
    gl_Position = vec4(corner, 0.0, 1.0);
}
