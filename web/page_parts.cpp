// What the page does otherwise than the desktop: WebGL2's shader version, points sized by the
// program alone, the proxy and the splats' order made at once (a page has no threads), and the
// memory the page may grow to.
#include <GL/glew.h>

#include <emscripten/heap.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

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
    runProxyJob(*job);
}

void startSplatOrderJob(const std::shared_ptr<SplatOrderJob>& job) {
    runSplatOrderJob(*job);
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
