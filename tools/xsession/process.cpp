// Child processes: started in a given folder with their console in files, waited for with a
// time-out, killed and reaped when their owner goes away.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "tools/xsession/xsession.h"

extern char** environ;

namespace xsession {

namespace {

constexpr Millis kWaitPoll{10};         // how often a wait looks at the child
constexpr int kExecFailedStatus = 127;  // what the child reports when it could not start
constexpr int kSignalStatusBase = 128;  // shell convention for an end by signal
constexpr int kUtimeField = 11;         // utime counted from the field after "(comm)"
constexpr int kStimeField = 12;

// "NAME=value" entries: ours, with those of `extra` replacing or joining them; a bare "NAME" in
// `extra` removes that variable.
std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> merged;
    auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const std::string& mine : extra) {
            replaced = replaced || nameOf(mine) == nameOf(text);
        }
        if (!replaced) {
            merged.push_back(text);
        }
    }
    for (const std::string& mine : extra) {
        if (mine.find('=') != std::string::npos) {
            merged.push_back(mine);
        }
    }
    return merged;
}

// The program as execve wants it: a bare name is looked up in PATH, as a shell would.
std::string resolveProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const fs::path candidate = fs::path(folder.empty() ? "." : folder) / name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
    }
    throw SessionError("cannot find the program " + name + " in PATH");
}

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void becomeChild(const char* workDir, const char* out, const char* err, int keepFd,
                              char** argv, char** envp, pid_t parent) {
    // A test killed by its time-out must not leave servers and viewers behind.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
        ::_exit(kExecFailedStatus);
    }
    const int in = ::open("/dev/null", O_RDONLY);
    const int outFd = ::open(out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = ::open(err, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || outFd < 0 || errFd < 0 || ::chdir(workDir) != 0) {
        ::_exit(kExecFailedStatus);
    }
    ::dup2(in, STDIN_FILENO);
    ::dup2(outFd, STDOUT_FILENO);
    ::dup2(errFd, STDERR_FILENO);
    const unsigned first = STDERR_FILENO + 1;
    if (keepFd >= static_cast<int>(first)) {
        ::close_range(first, static_cast<unsigned>(keepFd) - 1, 0);
        ::close_range(static_cast<unsigned>(keepFd) + 1, ~0U, 0);
    } else {
        ::close_range(first, ~0U, 0);
    }
    ::execve(argv[0], argv, envp);
    ::_exit(kExecFailedStatus);
}

}  // namespace

ChildProcess::ChildProcess(const Launch& launch) : launch_(launch) {
    if (launch_.argv.empty()) {
        throw SessionError("no program to start");
    }
    std::vector<std::string> args = launch_.argv;
    args[0] = resolveProgram(args[0]);
    std::vector<std::string> env = mergedEnvironment(launch_.environment);
    std::vector<char*> argv = pointersTo(args);
    std::vector<char*> envp = pointersTo(env);
    const std::string workDir = launch_.workDir.string();
    const std::string out = fs::absolute(launch_.stdoutPath).string();
    const std::string err = fs::absolute(launch_.stderrPath).string();
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) {
        throw SessionError("cannot start " + args[0] + ": " + std::strerror(errno));
    }
    if (pid_ == 0) {
        becomeChild(workDir.c_str(), out.c_str(), err.c_str(), launch_.inheritFd, argv.data(),
                    envp.data(), parent);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !ended_) {
        ::kill(pid_, SIGKILL);
        int waitStatus = 0;
        if (::waitpid(pid_, &waitStatus, 0) == pid_) {
            record(waitStatus);
        }
    }
}

void ChildProcess::record(int waitStatus) {
    ended_ = true;
    if (WIFEXITED(waitStatus)) {
        status_ = WEXITSTATUS(waitStatus);
    } else if (WIFSIGNALED(waitStatus)) {
        signalled_ = true;
        status_ = kSignalStatusBase + WTERMSIG(waitStatus);
    }
}

bool ChildProcess::running() {
    if (ended_) {
        return false;
    }
    int waitStatus = 0;
    if (::waitpid(pid_, &waitStatus, WNOHANG) == pid_) {
        record(waitStatus);
    }
    return !ended_;
}

bool ChildProcess::waitForExit(Millis timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kWaitPoll);
    }
    return true;
}

std::string ChildProcess::describeEnd() const {
    if (!ended_) {
        return "is still running";
    }
    if (signalled_) {
        return "was killed by signal " + std::to_string(status_ - kSignalStatusBase);
    }
    return "exited with status " + std::to_string(status_);
}

void ChildProcess::terminate(Millis grace) {
    if (!running()) {
        return;
    }
    ::kill(pid_, SIGTERM);
    if (!waitForExit(grace)) {
        ::kill(pid_, SIGKILL);
        int waitStatus = 0;
        if (::waitpid(pid_, &waitStatus, 0) == pid_) {
            record(waitStatus);
        }
    }
}

double ChildProcess::cpuSeconds() const {
    const std::string stat = readFile("/proc/" + std::to_string(pid_) + "/stat");
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) {
        throw SessionError("cannot read the CPU time of process " + std::to_string(pid_));
    }
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 0; i <= kStimeField && fields >> field; ++i) {
        if (i == kUtimeField) {
            utime = std::stol(field);
        } else if (i == kStimeField) {
            stime = std::stol(field);
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

}  // namespace xsession
