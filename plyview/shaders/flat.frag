in vec4 shade;

out vec4 fragment;

void main() {
    fragment = shade;
}
