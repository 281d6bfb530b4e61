#include "launcher/launch_app.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

extern char** environ;

namespace kestrel {
namespace {

constexpr size_t kMaxErrorText = 64 * 1024;

// Closes a descriptor on every way out of a scope, unless released.
class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset() {
        if (fd_ >= 0) close(release());
    }

  private:
    int fd_;
};

// The actions and attributes of one posix_spawn call, destroyed with it.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

ProgramEnd EndOf(int status) {
    if (WIFEXITED(status)) return {true, WEXITSTATUS(status)};
    return {false, WIFSIGNALED(status) ? WTERMSIG(status) : 0};
}

}  // namespace

std::string ProgramEnd::Describe() const {
    return exited ? "exit status " + std::to_string(code) : "signal " + std::to_string(code);
}

StartedProgram::StartedProgram(int64_t processId, int errorDescriptor)
    : processId_(processId), errorDescriptor_(errorDescriptor) {}

StartedProgram::~StartedProgram() {
    if (errorDescriptor_ >= 0) close(errorDescriptor_);
}

bool StartedProgram::ReadErrors() {
    char buffer[4096];
    while (errorDescriptor_ >= 0) {
        const ssize_t n = read(errorDescriptor_, buffer, sizeof buffer);
        if (n > 0) {
            const size_t room = kMaxErrorText - std::min(kMaxErrorText, errors_.size());
            errors_.append(buffer, std::min(room, static_cast<size_t>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        close(errorDescriptor_);  // end of file, or the pipe failed
        errorDescriptor_ = -1;
    }
    return false;
}

std::optional<ProgramEnd> StartedProgram::Ended() {
    if (end_) return end_;
    int status = 0;
    pid_t result = 0;
    do {
        result = waitpid(static_cast<pid_t>(processId_), &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == static_cast<pid_t>(processId_)) end_ = EndOf(status);
    // Someone else collected it: its end is unknown, but it has ended.
    if (result < 0) end_ = ProgramEnd{true, 0};
    return end_;
}

std::optional<ProgramEnd> StartedProgram::WaitForEnd(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (errorDescriptor_ < 0 || !ReadErrors()) {
            if (std::optional<ProgramEnd> end = Ended()) return end;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        // Wake when it writes or closes its standard error; once that is
        // closed, look again for its end every few milliseconds.
        if (errorDescriptor_ >= 0) {
            pollfd wait{errorDescriptor_, POLLIN, 0};
            poll(&wait, 1, static_cast<int>(std::min<int64_t>(left.count(), 1000)));
        } else {
            usleep(5000);
        }
    }
}

Result<std::unique_ptr<StartedProgram>> StartProgram(const std::string& program,
                                                     const std::vector<std::string>& arguments,
                                                     const std::string& workingFolder) {
    if (program.empty()) return Refused("no program named");
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return Refused(std::strerror(errno));
    Descriptor readEnd(pipeEnds[0]);
    Descriptor writeEnd(pipeEnds[1]);

    SpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, writeEnd.get(), 2);
    if (!workingFolder.empty()) {
        posix_spawn_file_actions_addchdir_np(&setup.actions, workingFolder.c_str());
    }
    // The program starts with the default handling of every signal and
    // none blocked, whatever this program does with them.
    sigset_t all;
    sigfillset(&all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&setup.attributes, &all);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int result =
        posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
    if (result != 0) return Refused(std::strerror(result));
    writeEnd.reset();  // only the program writes to the pipe now
    const int flags = fcntl(readEnd.get(), F_GETFL);
    fcntl(readEnd.get(), F_SETFL, flags | O_NONBLOCK);
    return std::make_unique<StartedProgram>(pid, readEnd.release());
}

}  // namespace kestrel
