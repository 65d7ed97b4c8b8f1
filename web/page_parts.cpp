// What the page does otherwise than the desktop: WebGL2's shader version, points sized by the
// program alone, the splats' order made at once and the proxy once the browser has shown the
// frame that asked for it (a page has no threads), and the memory the page may grow to.
#include <GL/glew.h>

#include <emscripten.h>
#include <emscripten/heap.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "model/proxy.h"
#include "plyview/platform.h"
#include "plyview/proxy_job.h"
#include "plyview/shader_text.h"
#include "plyview/splat_order.h"

namespace plyview {

namespace {

// A browser's WebGL without a graphics card (SwiftShader) draws lines at about half the
// desktop renderer's rate: a lighter proxy keeps a moving model above 20 frames a second.
constexpr std::size_t kPageProxyTriangles = 30000;
// Splats blended in a moving frame by a browser without a graphics card: half the desktop's
// stand-in, as its lines go at about half the desktop renderer's rate.
constexpr std::size_t kPageStandInSplats = 25000;

// What the page lets its memory grow to: WebAssembly's 32-bit addresses stop at 4 GB and many
// browsers at 2 GB, so the page counts on 2 GB.
constexpr std::uint64_t kPageMemory = std::uint64_t{2} << 30;

// Proxies asked for and not built yet: the page builds them in a task of its own after the
// browser's next paint, since the browser shows nothing of a task until it ends, and building one
// takes a second for a million splats, which the first picture of a file would otherwise wait
// for.
std::vector<std::shared_ptr<ProxyJob>> waitingProxies;

// Calls web_build_proxies in a task after the browser's next paint: the animation frame comes
// before the paint, a task queued from it after.
EM_JS(void, pageAfterPaint, (), {
    requestAnimationFrame(function() { setTimeout(function() { Module._web_build_proxies(); }); });
});

}  // namespace

const char kShaderPreamble[] = "#version 300 es\nprecision highp float;\n";

// The page shows what goes to standard error as message lines.
void noteLine(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

void preparePoints() {}

std::size_t proxyTriangles() {
    return kPageProxyTriangles;
}

std::size_t standInSplats() {
    return kPageStandInSplats;
}

void startProxyJob(const std::shared_ptr<ProxyJob>& job) {
    if (waitingProxies.empty()) {
        pageAfterPaint();
    }
    waitingProxies.push_back(job);
}

void startSplatOrderJob(const std::shared_ptr<SplatOrderJob>& job) {
    runSplatOrderJob(*job);
}

bool splatOrderAway() {
    return false;
}

std::uint64_t availableMemoryBytes() {
    if (const char* given = std::getenv(kMemoryVariable)) {
        return std::strtoull(given, nullptr, 10) * kBytesPerMB;
    }
    const std::uint64_t limit = std::min<std::uint64_t>(emscripten_get_heap_max(), kPageMemory);
    const auto used = static_cast<std::uint64_t>(mallinfo().uordblks);
    return limit > used ? limit - used : 0;
}

}  // namespace plyview

// The proxies asked for since the last paint, built now (one cancelled meanwhile ends at once).
extern "C" EMSCRIPTEN_KEEPALIVE void web_build_proxies() {
    const std::vector<std::shared_ptr<plyview::ProxyJob>> jobs =
        std::exchange(plyview::waitingProxies, {});
    for (const std::shared_ptr<plyview::ProxyJob>& job : jobs) {
        plyview::runProxyJob(*job);
    }
}
