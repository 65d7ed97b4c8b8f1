// The proxy built on a thread of its own, so that the window answers while a large model is
// simplified. The thread owns a share of the job, and through it of the model it reads, so
// neither goes away under it; nothing waits for it (another file, an edit or the end of the
// program only ask it to stop), and it makes no GL call.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "plyview/plyview.h"

namespace plyview {

namespace {

constexpr int kDelaySliceMs = 10;  // the test delay looks at `cancel` this often

// The test delay of kProxyDelayVariable, read once.
int testDelayMs() {
    static const int delay = [] {
        const char* given = std::getenv(kProxyDelayVariable);
        return given != nullptr ? std::atoi(given) : 0;
    }();
    return delay;
}

void build(ProxyJob& job) {
    for (int waited = 0; waited < testDelayMs() && !job.cancel.load(); waited += kDelaySliceMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kDelaySliceMs));
    }
    job.built = !job.cancel.load() && buildProxy(*job.model, job.proxy, job.cancel);
    if (job.built) {
        uniqueEdges(job.proxy.triangles, job.proxy.vertexCount(), job.edges);
    }
    job.model.reset();  // the model may be released as soon as it is no longer shown
}

}  // namespace

void startProxyJob(const std::shared_ptr<ProxyJob>& job) {
    std::thread([job] {
        build(*job);
        job->done.store(true, std::memory_order_release);
    }).detach();
}

}  // namespace plyview
