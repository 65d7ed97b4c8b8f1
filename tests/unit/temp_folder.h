// A fresh temporary folder that the test works in: files are written there and the working
// directory points there until the test ends, because the viewer opens files by relative name.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// The whole file, byte for byte; empty when it cannot be read.
inline std::string readFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class TempFolder {
  public:
    TempFolder() {
        char pattern[] = "/tmp/plyviewer-test-XXXXXX";
        path_ = ::mkdtemp(pattern);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~TempFolder() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Writes `text` byte for byte (no line-ending translation) into `name`.
    void write(const std::string& name, const std::string& text) const {
        std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
        out << text;
    }

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};
