// The proxy of a large model (a splat file's stand-in), built away from the drawing thread: CPU
// work only, no GL call, so that a platform may run it on a thread of its own or at once.
#pragma once

#include <atomic>
#include <memory>

#include "model/file_model.h"

namespace plyview {

// Slows every proxy build by this many milliseconds, for the tests of a window that answers
// while one is built.
constexpr const char* kProxyDelayVariable = "PLYVIEW_TEST_PROXY_DELAY_MS";

struct ProxyJob {
    std::shared_ptr<const FileModel> model;  // read only while the job runs
    std::atomic<bool> cancel{false};         // set by the drawing thread: stop soon
    std::atomic<bool> done{false};           // set by the job; then the rest may be read
    std::size_t standIn = 0;  // splats a splat file's stand-in keeps; 0: the platform's figure
    bool built = false;       // false when cancelled
    FileModel proxy;
};

// The job's work, wherever it runs: the proxy, then `done`.
void runProxyJob(ProxyJob& job);

}  // namespace plyview
