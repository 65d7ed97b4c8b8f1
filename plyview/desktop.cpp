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

// Splats blended in a moving frame, measured on the software renderer in a 512 x 512 window
// under Xvfb, orbiting a 1 M splat scene (genbig --splats) while two other builds shared the two
// cores: a stand-in of 45,700 splats drew 18 to 24 frames a second, one of 56,000 9 to 19 and
// one of 76,000 9 to 14. The frame's fill weighs more than the count; this keeps 10 in reach of
// a busy machine (and is what model/'s memory estimate counts on).
constexpr std::size_t kStandInSplats = 50000;

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
