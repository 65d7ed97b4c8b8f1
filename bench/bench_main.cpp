// Entry point of the benchmarks that run without a window: they work in the run folder, where
// the viewer finds its models by plain name.
#include <benchmark/benchmark.h>

#include "support/run_folder.h"

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    if (!testsupport::enterRunFolder()) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
