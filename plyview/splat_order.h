// The order of a picture's splats for a view, worked out away from the drawing thread: CPU work
// only, no GL call, so that a platform may run it on a thread of its own or at once.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "model/file_model.h"

namespace plyview {

// One sort of one model's splats for one view. The drawing thread keeps the job and hands it
// out again for the next view once `done`, so that its memory serves every sort.
struct SplatOrderJob {
    std::shared_ptr<const FileModel> model;  // read only while the job runs
    SplatView view;
    std::atomic<bool> done{true};  // set by the job; then the rest may be read
    std::vector<std::uint32_t> order;
    std::vector<SplatInstance> instances;  // in `order`, coloured for `view`
    DepthSortScratch scratch;
};

// The job's work, wherever it runs: the order and the instances, then `done`.
void runSplatOrderJob(SplatOrderJob& job);

// Whether two views give the same order and colours.
bool sameView(const SplatView& a, const SplatView& b);

}  // namespace plyview
