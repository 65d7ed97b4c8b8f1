// A private Xvfb: it picks a free display number itself (-displayfd) and reports it once it
// accepts connections, so parallel sessions never collide.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/xsession/xsession.h"

namespace xsession {

namespace {

constexpr Millis kServerTimeout{30000};  // Xvfb start-up, generous for a loaded machine
constexpr Millis kServerStopGrace{5000};
constexpr const char* kScreen = "1024x768x24";
constexpr std::size_t kReadSize = 64;

// Owns both ends of a pipe until they are closed.
struct Pipe {
    int readEnd = -1;
    int writeEnd = -1;
    Pipe() {
        int ends[2];
        if (::pipe(ends) != 0) {
            throw SessionError(std::string("cannot create a pipe: ") + std::strerror(errno));
        }
        readEnd = ends[0];
        writeEnd = ends[1];
        ::fcntl(readEnd, F_SETFD, FD_CLOEXEC);
    }
    ~Pipe() {
        closeWriteEnd();
        ::close(readEnd);
    }
    void closeWriteEnd() {
        if (writeEnd >= 0) {
            ::close(writeEnd);
            writeEnd = -1;
        }
    }
};

// Reads the display number line; empty when the server ended or the time-out passed.
std::string readDisplayNumber(int fd, Millis timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string text;
    while (text.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return "";
        }
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return "";
        }
        char buffer[kReadSize];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            return "";
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text.substr(0, text.find('\n'));
}

}  // namespace

VirtualServer::VirtualServer(const fs::path& logDir) {
    Pipe pipe;
    Launch launch;
    launch.argv = {"Xvfb",      "-displayfd", std::to_string(pipe.writeEnd),
                   "-screen",   "0",          kScreen,
                   "-nolisten", "tcp"};
    launch.stderrPath = logDir / "xvfb.log";
    launch.inheritFd = pipe.writeEnd;
    server_.emplace(launch);
    pipe.closeWriteEnd();
    const std::string number = readDisplayNumber(pipe.readEnd, kServerTimeout);
    if (number.empty()) {
        server_->terminate(kServerStopGrace);
        throw SessionError("the virtual X server did not start (" + server_->describeEnd() +
                           "): " + readFile(launch.stderrPath));
    }
    display_ = ":" + number;
}

VirtualServer::~VirtualServer() {
    // A polite stop lets Xvfb remove its lock file and socket.
    server_->terminate(kServerStopGrace);
}

}  // namespace xsession
