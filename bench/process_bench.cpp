// process_bench REPETITIONS PROGRAM [ARGS...] [-- PROGRAM [ARGS...]]...: runs each program to its
// end again and again, its console discarded, the programs taking turns so that the machine's
// load slows all of them alike, and prints one line per program, in the order given:
// "median_ms <wall> peak_mb <largest peak resident memory> status <last exit status>".
// Whole-process figures, start-up and exit included.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

namespace {

constexpr double kKilobytesPerMegabyte = 1024.0;
constexpr int kUsageStatus = 2;
constexpr const char* kSeparator = "--";

struct Command {
    std::vector<char*> argv;  // ends with nullptr
    std::vector<double> millis;
    long peakKb = 0;
    int status = 0;
};

// The commands of the command line: PROGRAM [ARGS...] groups between separators.
std::vector<Command> commandsOf(int argc, char** argv) {
    std::vector<Command> commands(1);
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], kSeparator) == 0) {
            commands.emplace_back();
        } else {
            commands.back().argv.push_back(argv[i]);
        }
    }
    for (Command& command : commands) {
        command.argv.push_back(nullptr);
    }
    return commands;
}

// One run of the command to its end, its wall time, peak memory and status recorded; false
// when it could not be started or waited for.
bool runOnce(Command& command, const posix_spawn_file_actions_t& actions) {
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, command.argv[0], &actions, nullptr, command.argv.data(), environ) != 0) {
        std::perror(command.argv[0]);
        return false;
    }
    int waitStatus = 0;
    rusage usage{};
    if (::wait4(pid, &waitStatus, 0, &usage) != pid) {
        std::perror("wait4");
        return false;
    }
    command.millis.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
    command.peakKb = std::max(command.peakKb, usage.ru_maxrss);
    command.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Command> commands = argc < 3 ? std::vector<Command>() : commandsOf(argc, argv);
    const bool empty = std::any_of(commands.begin(), commands.end(),
                                   [](const Command& c) { return c.argv.size() < 2; });
    if (argc < 3 || std::atoi(argv[1]) < 1 || empty) {
        std::fprintf(
            stderr,
            "usage: process_bench REPETITIONS PROGRAM [ARGS...] [-- PROGRAM [ARGS...]]...\n");
        return kUsageStatus;
    }
    const int repetitions = std::atoi(argv[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    for (int i = 0; i < repetitions; ++i) {
        for (Command& command : commands) {
            if (!runOnce(command, actions)) {
                return 1;
            }
        }
    }
    for (Command& command : commands) {
        std::sort(command.millis.begin(), command.millis.end());
        std::printf("median_ms %.1f peak_mb %.1f status %d\n",
                    command.millis[command.millis.size() / 2],
                    static_cast<double>(command.peakKb) / kKilobytesPerMegabyte, command.status);
    }
    return 0;
}
