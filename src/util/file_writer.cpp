#include "util/file_writer.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace kestrel {
namespace {

constexpr size_t kBlockSize = 1 << 16;  // written at a time
constexpr int kMaxLinks = 40;           // as the system's own path lookup

std::string Reason(int error) {
    return error != 0 ? std::strerror(error) : "unknown error";
}

// The name a chain of symbolic links ends at, whether or not that exists.
Result<std::string> FollowLinks(std::string path) {
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
        std::string link(PATH_MAX, '\0');
        const ssize_t length = readlink(path.c_str(), link.data(), link.size());
        if (length < 0) return Refused(Reason(errno));
        link.resize(static_cast<size_t>(length));
        const size_t slash = path.rfind('/');
        path =
            link[0] == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
    }
    return Refused(Reason(ELOOP));
}

// The descriptor a name such as /dev/stdout, /dev/fd/3 or /proc/self/fd/1
// stands for, through its chain of links.
std::optional<int> DescriptorNamed(std::string path) {
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        for (const std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
            if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
                continue;
            const std::string digits = path.substr(prefix.size());
            if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(),
                                                  [](char c) { return c >= '0' && c <= '9'; })) {
                continue;
            }
            return std::stoi(digits);
        }
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return std::nullopt;
        std::string link(PATH_MAX, '\0');
        const ssize_t length = readlink(path.c_str(), link.data(), link.size());
        if (length <= 0) return std::nullopt;
        link.resize(static_cast<size_t>(length));
        const size_t slash = path.rfind('/');
        path =
            link[0] == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
    }
    return std::nullopt;
}

// A file of a new name (".<target's name>.<process id>-<n>.tmp") in
// target's folder, with mode less the umask.
Result<int> CreateBeside(const std::string& target, mode_t mode, std::string& created) {
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    // Short enough that the name stays within the file system's limit.
    const std::string name = target.substr(folder.size()).substr(0, 200);
    const std::string stem = folder + "." + name + "." + std::to_string(getpid()) + "-";
    int error = EEXIST;
    for (int attempt = 0; attempt < 1000 && error == EEXIST; ++attempt) {
        created = stem + std::to_string(attempt) + ".tmp";
        const int descriptor =
            open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (descriptor >= 0) return descriptor;
        error = errno;
    }
    return Refused(Reason(error));
}

// A stream connection to the socket at path.
Result<int> ConnectSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return Refused(Reason(ENAMETOOLONG));
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int descriptor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0) return Refused(Reason(errno));
    if (connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        close(descriptor);
        return Refused(Reason(error));
    }
    return descriptor;
}

}  // namespace

FileWriter::FileWriter(int descriptor, Way way, std::string target, std::string temporary,
                       bool keepOpen)
    : descriptor_(descriptor),
      way_(way),
      target_(std::move(target)),
      temporary_(std::move(temporary)),
      keepOpen_(keepOpen) {}

FileWriter::FileWriter(FileWriter&& other) noexcept
    : descriptor_(other.descriptor_),
      way_(other.way_),
      target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      keepOpen_(other.keepOpen_),
      buffer_(std::move(other.buffer_)),
      error_(std::move(other.error_)) {
    other.descriptor_ = -1;
}

FileWriter::~FileWriter() {
    if (way_ == Way::Whole) {
        Drop();
    } else {
        (void)Close();
    }
}

Result<FileWriter> FileWriter::Open(const std::string& path, bool dashIsStandardOutput) {
    if (path.empty()) return Refused(Reason(ENOENT));
    if (path == "-" && dashIsStandardOutput) {
        std::fflush(stdout);  // what stdio holds goes first
        return FileWriter(STDOUT_FILENO, Way::InPlace, "-", "", true);
    }
    // An open descriptor's name (/dev/stdout) is the stream itself: written
    // where it stands, never replaced, whatever file it may lead to.
    if (const std::optional<int> stream = StandardStream(path)) {
        const int descriptor = fcntl(*stream, F_DUPFD_CLOEXEC, 0);
        if (descriptor < 0) return Refused(Reason(errno));
        if (*stream == STDOUT_FILENO) std::fflush(stdout);
        return FileWriter(descriptor, Way::InPlace, path, "", false);
    }
    struct stat status {};
    std::string target = path;
    bool replacing = false;
    if (stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) return Refused(Reason(EISDIR));
        if (S_ISBLK(status.st_mode)) return Refused("it is a block device");
        if (S_ISSOCK(status.st_mode)) {
            Result<int> connected = ConnectSocket(path);
            if (!connected) return Refused(connected.reason());
            return FileWriter(*connected, Way::InPlace, path, "", false);
        }
        if (!S_ISREG(status.st_mode)) {  // a FIFO or a character device
            const int descriptor = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
            if (descriptor < 0) return Refused(Reason(errno));
            return FileWriter(descriptor, Way::InPlace, path, "", false);
        }
        // A file the user may not write is not replaced behind its back.
        if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
            return Refused(Reason(errno));
        }
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) == nullptr) return Refused(Reason(errno));
        target = resolved;
        replacing = true;
    } else if (errno == ENOENT) {
        // A new name, or a link to one: the link's end is created.
        Result<std::string> end = FollowLinks(path);
        if (!end) return Refused(end.reason());
        target = std::move(end).value();
    } else {
        return Refused(Reason(errno));
    }
    const mode_t mode = replacing ? status.st_mode & 07777 : 0666;
    std::string temporary;
    Result<int> created = CreateBeside(target, mode, temporary);
    if (!created) return Refused(created.reason());
    if (replacing) {
        // The owner first: a change of owner clears the set-id bits.
        if (status.st_uid != geteuid() || status.st_gid != getegid()) {
            (void)fchown(*created, status.st_uid, status.st_gid);
        }
        // The umask does not narrow the mode of the file replaced.
        (void)fchmod(*created, mode);
    }
    return FileWriter(*created, Way::Whole, std::move(target), std::move(temporary), false);
}

Status FileWriter::Write(std::string_view bytes) {
    if (!error_.empty()) return Outcome();
    if (descriptor_ < 0) return Fail(EBADF);
    buffer_.append(bytes);
    if (buffer_.size() >= kBlockSize && !Flush()) return Outcome();
    return {};
}

bool FileWriter::Flush() {
    size_t done = 0;
    while (error_.empty() && done < buffer_.size()) {
        const ssize_t n = ::write(descriptor_, buffer_.data() + done, buffer_.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            (void)Fail(n < 0 ? errno : EIO);
        }
    }
    buffer_.clear();
    return error_.empty();
}

Status FileWriter::Close() {
    if (descriptor_ < 0) return Outcome();
    Flush();
    if (way_ == Way::Whole) {
        // A file removed while it was written (its folder deleted by another
        // program, say) takes every byte and keeps none: that is no success.
        struct stat status {};
        if (fstat(descriptor_, &status) == 0 && status.st_nlink == 0) (void)Fail(ENOENT);
    }
    if (!keepOpen_ && ::close(descriptor_) != 0) (void)Fail(errno);
    descriptor_ = -1;
    if (way_ == Way::Whole) {
        if (error_.empty() && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
            (void)Fail(errno);
        }
        if (!error_.empty()) (void)unlink(temporary_.c_str());
    }
    return Outcome();
}

void FileWriter::Drop() {
    if (descriptor_ < 0) return;
    if (way_ == Way::InPlace) {
        (void)Close();
        return;
    }
    ::close(descriptor_);
    descriptor_ = -1;
    (void)unlink(temporary_.c_str());
    if (error_.empty()) error_ = Reason(ECANCELED);
}

Status FileWriter::Fail(int error) {
    if (error_.empty()) error_ = Reason(error);
    return Outcome();
}

Status FileWriter::Outcome() const {
    if (error_.empty()) return {};
    return Refused(error_);
}

std::optional<int> StandardStream(const std::string& path) {
    return DescriptorNamed(path);
}

Status WriteFile(const std::string& path, std::string_view bytes, bool dashIsStandardOutput) {
    Result<FileWriter> file = FileWriter::Open(path, dashIsStandardOutput);
    if (!file) return Refused(file.reason());
    const Status written = file.value().Write(bytes);
    if (!written) {
        file.value().Drop();
        return written;
    }
    return file.value().Close();
}

}  // namespace kestrel
