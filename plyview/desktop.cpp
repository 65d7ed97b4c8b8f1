// The desktop's side of the file viewer: GLSL 1.40 for the 3.1 core context, points whose size
// the program sets, and a thread for the proxy. The thread owns a share of the job, and through
// it of the model it reads, so neither goes away under it.
#include <GL/glew.h>

#include <thread>

#include "model/proxy.h"
#include "plyview/platform.h"
#include "plyview/proxy_job.h"
#include "plyview/shader_text.h"

namespace plyview {

// The precision line means nothing to desktop GLSL and lets the texts be WebGL's too.
const char kShaderPreamble[] = "#version 140\nprecision highp float;\n";

void preparePoints() {
    glEnable(GL_PROGRAM_POINT_SIZE);
}

std::size_t proxyTriangles() {
    return kProxyTriangles;
}

void startProxyJob(const std::shared_ptr<ProxyJob>& job) {
    std::thread([job] { runProxyJob(*job); }).detach();
}

}  // namespace plyview
