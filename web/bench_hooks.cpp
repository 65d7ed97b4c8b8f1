// Timing hooks for scripts/bench-web: the reader's rate inside the page, on a file the page has
// put into its in-memory file system. Nothing of the page's own work calls them.
#include <emscripten.h>

#include <cstdio>
#include <vector>

#include "model/file_model.h"
#include "plyview/testing.h"

extern "C" {

// Frames the page has shown so far, and whether the shown model's proxy is ready: the page's
// frame rate without its frame log, whose console lines cost time of their own.
EMSCRIPTEN_KEEPALIVE double web_frames_shown() {
    return static_cast<double>(plyview::framesShown());
}

EMSCRIPTEN_KEEPALIVE int web_proxy_ready() {
    return plyview::proxyReady() ? 1 : 0;
}

// Bytes per second of parseFileModel on the file at `path`, parsed `repeats` times from one copy
// in memory; -1 when the file cannot be read or is refused.
EMSCRIPTEN_KEEPALIVE double web_parse_rate(const char* path, int repeats) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return -1;
    }
    std::vector<char> bytes;
    char piece[1 << 16];
    for (std::size_t got; (got = std::fread(piece, 1, sizeof piece, file)) > 0;) {
        bytes.insert(bytes.end(), piece, piece + got);
    }
    std::fclose(file);
    FileModel model;
    PlyError error;
    const double start = emscripten_get_now();
    for (int i = 0; i < repeats; ++i) {
        if (!parseFileModel(bytes.data(), bytes.size(), model, error)) {
            return -1;
        }
    }
    const double seconds = (emscripten_get_now() - start) / 1000;
    return static_cast<double>(bytes.size()) * repeats / seconds;
}

}  // extern "C"
