// Sorting a model's splats for a view: CPU work only, so that the desktop runs it on a thread of
// its own while the last order is drawn, and a web page at once.
#include "plyview/splat_order.h"

#include <algorithm>

namespace plyview {

void runSplatOrderJob(SplatOrderJob& job) {
    const FileModel& model = *job.model;
    sortByDepth(model.positions.data(), model.vertexCount(), job.view, job.order, job.scratch);
    job.instances.resize(job.order.size());
    splatInstances(model, job.order, job.view, job.instances.data());
    job.model.reset();  // the model may be released as soon as it is no longer shown
    job.done.store(true, std::memory_order_release);
}

bool sameView(const SplatView& a, const SplatView& b) {
    return std::equal(a.eye, a.eye + kCoordinates, b.eye) &&
           std::equal(a.forward, a.forward + kCoordinates, b.forward) && a.parallel == b.parallel;
}

}  // namespace plyview
