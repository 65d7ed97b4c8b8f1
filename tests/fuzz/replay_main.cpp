// Runs the fuzz target once over each input named on the command line: a file as it is, a
// folder as all its .ply files in name order. The ordinary test run replays the committed seeds
// and the generated catalogue this way, under the sanitizers in the sanitizer build, and a
// crash file the fuzzer wrote can be replayed the same way under a debugger.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The bytes in a buffer of exactly their size, so that reading one byte too far is an overrun
// the address checks see.
bool replayFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[text.size()]);
    std::copy(text.begin(), text.end(), bytes.get());
    LLVMFuzzerTestOneInput(bytes.get(), text.size());
    return true;
}

std::vector<fs::path> inputsIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().extension() == ".ply") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path path(argv[i]);
        const std::vector<fs::path> files =
            fs::is_directory(path) ? inputsIn(path) : std::vector<fs::path>{path};
        for (const fs::path& file : files) {
            if (!replayFile(file)) {
                return 1;
            }
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    if (replayed == 0) {
        std::fprintf(stderr, "no inputs found: a corpus folder is missing or empty\n");
        return 1;
    }
    return 0;
}
