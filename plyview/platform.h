// What each platform plyview runs on (the desktop, a web page) supplies in its own way: the
// shaders' version line, point sizes, how large a proxy is and where it is built, and the memory
// a file's needs are held against. The desktop's are in desktop.cpp and memory.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace plyview {

struct ProxyJob;
struct SplatOrderJob;

// Sets the memory figure a file's needs are held against, in MB, for the tests: no test can
// fill a machine's memory, and a `ulimit` is not survived by the renderer or the sanitizers.
constexpr const char* kMemoryVariable = "PLYVIEW_MEMORY_AVAILABLE_MB";
constexpr std::uint64_t kBytesPerMB = 1000000;

// What the process can still take: MemAvailable, less what RLIMIT_AS, RLIMIT_DATA and the
// cgroup's memory.max leave; kMemoryVariable overrides it.
std::uint64_t availableMemoryBytes();

// One line about a file that is shown all the same (an image it names that cannot be read):
// on the desktop on standard output, beside the reader's other notes, since the file was not
// refused; on the page among the message lines, where its user looks.
void noteLine(const std::string& line);

// Lets the programs set the size of points (desktop GL asks for it; WebGL always does).
void preparePoints();

// Starts the job: on a thread of its own that nothing waits for where there are threads (ending
// the program, another file or an edit only set `cancel`), at once where there are none.
void startProxyJob(const std::shared_ptr<ProxyJob>& job);
// About how many triangles a proxy keeps here: as many as the platform draws in a moving frame.
std::size_t proxyTriangles();
// About how many splats a splat file's stand-in keeps here: as many as the platform blends in a
// moving frame. A file of more splats gets one.
std::size_t standInSplats();

// Starts sorting splats for a view: on a thread of its own that nothing waits for where there
// are threads (the drawing thread looks at `done`), at once where there are none.
void startSplatOrderJob(const std::shared_ptr<SplatOrderJob>& job);
// Whether those sorts run away from the drawing thread: then one may be started ahead of the
// frame that needs it at no cost to the frames meanwhile.
bool splatOrderAway();

}  // namespace plyview
