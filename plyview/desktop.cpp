// The desktop's side of the file viewer: GLSL 1.40 for the 3.1 core context, points whose size
// the program sets, a thread for the proxy and one for each sort of splats. A thread owns a
// share of its job, and through it of the model it reads, so neither goes away under it.
#include <GL/glew.h>

#include <thread>

#include "model/proxy.h"
#include "plyview/platform.h"
#include "plyview/proxy_job.h"
#include "plyview/shader_text.h"
#include "plyview/splat_order.h"

namespace plyview {

namespace {

// Splats blended in a moving frame, measured on the software renderer in a 512 x 512 window:
// a stand-in of this many orbits at 10 frames a second or more.
constexpr std::size_t kStandInSplats = 100000;

}  // namespace

// The precision line means nothing to desktop GLSL and lets the texts be WebGL's too.
const char kShaderPreamble[] = "#version 140\nprecision highp float;\n";

void preparePoints() {
    glEnable(GL_PROGRAM_POINT_SIZE);
}

std::size_t proxyTriangles() {
    return kProxyTriangles;
}

std::size_t standInSplats() {
    return kStandInSplats;
}

void startProxyJob(const std::shared_ptr<ProxyJob>& job) {
    std::thread([job] { runProxyJob(*job); }).detach();
}

void startSplatOrderJob(const std::shared_ptr<SplatOrderJob>& job) {
    std::thread([job] { runSplatOrderJob(*job); }).detach();
}

bool splatOrderAway() {
    return true;
}

}  // namespace plyview
