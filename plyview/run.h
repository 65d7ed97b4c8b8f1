// plyview's program: the command line, then the window or the pictures. Used by its main.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/file_model.h"
#include "plyview/files.h"
#include "plyview/options.h"

namespace plyview {

// The window on the files `paths`: title, keys, mouse, reshape; never returns. `first` is the
// first file's model when it has been read already, from the bytes of `stamp`.
[[noreturn]] void runWindow(char** argv, const Options& options,
                            const std::vector<std::string>& paths, std::unique_ptr<FileModel> first,
                            const FileStamp& stamp);

// Draws every file offscreen and writes the pictures; the process status.
int writePictures(const Options& options, const std::vector<std::string>& paths);

// The whole program: parse, expand, check, then the window or the pictures.
int run(int argc, char** argv);

}  // namespace plyview
