// process_bench REPETITIONS PROGRAM [ARGS...]: runs a program to its end again and again, its
// console discarded, and prints one line: "median_ms <wall> peak_mb <largest peak resident
// memory> status <last exit status>". Whole-process figures, start-up and exit included.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace {

constexpr double kKilobytesPerMegabyte = 1024.0;
constexpr int kUsageStatus = 2;

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || std::atoi(argv[1]) < 1) {
        std::fprintf(stderr, "usage: process_bench REPETITIONS PROGRAM [ARGS...]\n");
        return kUsageStatus;
    }
    const int repetitions = std::atoi(argv[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<double> millis;
    long peakKb = 0;
    int status = 0;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        if (posix_spawnp(&pid, argv[2], &actions, nullptr, argv + 2, environ) != 0) {
            std::perror(argv[2]);
            return 1;
        }
        int waitStatus = 0;
        rusage usage{};
        if (::wait4(pid, &waitStatus, 0, &usage) != pid) {
            std::perror("wait4");
            return 1;
        }
        millis.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        peakKb = std::max(peakKb, usage.ru_maxrss);
        status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
    }
    std::sort(millis.begin(), millis.end());
    std::printf("median_ms %.1f peak_mb %.1f status %d\n", millis[millis.size() / 2],
                static_cast<double>(peakKb) / kKilobytesPerMegabyte, status);
    return 0;
}
