// Building the proxy of a job: CPU work only, no GL call, so that a platform may run it on a
// thread of its own (the desktop does) or at once (a web page, which has none).
#include "plyview/proxy_job.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "model/proxy.h"
#include "plyview/platform.h"
#include "plyview/testing.h"

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

}  // namespace

std::size_t standInPictureSplats() {
    static const std::size_t splats = [] {
        const char* given = std::getenv(kStandInPictureVariable);
        return given != nullptr ? static_cast<std::size_t>(std::strtoull(given, nullptr, 10)) : 0;
    }();
    return splats;
}

void runProxyJob(ProxyJob& job) {
    for (int waited = 0; waited < testDelayMs() && !job.cancel.load(); waited += kDelaySliceMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kDelaySliceMs));
    }
    const FileModel& model = *job.model;
    if (job.cancel.load()) {
        job.built = false;
    } else if (model.isSplats()) {
        job.built = mergeSplats(model, job.standIn > 0 ? job.standIn : standInSplats(), job.proxy,
                                &job.cancel);
    } else {
        job.built = buildProxy(model, job.proxy, job.cancel, proxyTriangles());
    }
    job.model.reset();  // the model may be released as soon as it is no longer shown
    job.done.store(true, std::memory_order_release);
}

}  // namespace plyview
