// The desktop's side of the file viewer's GL: GLSL 1.40 for the 3.1 core context, and points
// whose size the program sets.
#include <GL/glew.h>

#include "plyview/plyview.h"
#include "plyview/shader_text.h"

namespace plyview {

// The precision line means nothing to desktop GLSL and lets the texts be WebGL's too.
const char kShaderPreamble[] = "#version 140\nprecision highp float;\n";

void preparePoints() {
    glEnable(GL_PROGRAM_POINT_SIZE);
}

}  // namespace plyview
