// Reading the files plyview shows: whole, after their memory has been judged, with one line for
// a refusal; and the status that tells an edit of the shown file. Used by the viewer, its
// pictures and its tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/file_model.h"
#include "model/image.h"

namespace plyview {

// ===== Reading a file =====

constexpr std::size_t kHeadBytes = 1 << 16;  // read first, to judge the memory a file needs

// Reads the whole file with read() into one buffer of its size, parses it into `model` and
// releases the buffer. Before anything large is allocated, the memory the file needs is held
// against what is available. False with `problem` set, without the path: "needs about N MB, M
// MB available", "not a regular file (a FIFO)", the system's reason, or the reader's.
bool readFileModel(const std::string& path, FileModel& model, std::string& problem);

// One line on standard error, "PATH: problem", with the path as the user gave it.
void report(const std::string& path, const std::string& problem);
// What the user should know about a model that was read: one stdout line each, per read.
void tellNotes(const std::string& path, const PlyNotes& notes);
// readFileModel with what it found said: the notes of a model read, or the refusal's line;
// null when the file was refused.
std::unique_ptr<FileModel> readAndTell(const std::string& path);

// ===== Texture images =====

// Whether the model's triangles are drawn in images: it names one and has coordinates in them.
bool textured(const FileModel& model);
// The images a textured model names, found beside its file at `path`, one per name: an empty
// image where one cannot be read, with the line "PATH: texture NAME: problem". Each is judged
// against the memory left, as a file is. None for a model that is not textured.
std::vector<Image> readTextures(const std::string& path, const FileModel& model);

// ===== Edits at rest =====

// What a file's status says of its contents: a change of any field is an edit. Links are
// followed; `exists` is false when the path names nothing (or nothing readable).
struct FileStamp {
    bool exists = false;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modified = 0, changed = 0;  // nanoseconds
    bool operator==(const FileStamp& other) const;
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
FileStamp stampOf(const std::string& path);

// The looks at the shown file's status. A status that differs from the one shown is read only
// once it has stayed the same for one more look: a file still being written would be read
// half-way. Each edit is read once, good or refused.
struct FileWatch {
    FileStamp shown;    // of the bytes the shown model was read from
    FileStamp pending;  // a changed status waiting to stay the same one look
    FileStamp tried;    // the last edit read, good or refused

    void start(const FileStamp& stamp);  // a model read from `stamp` is shown
    // One look, with the status found now: true when the file is to be read again now.
    bool due(const FileStamp& now);
};

}  // namespace plyview
