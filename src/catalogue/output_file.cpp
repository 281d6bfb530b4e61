#include "catalogue/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "catalogue/file_formats.h"
#include "util/file_beside.h"

namespace kestrel {
namespace {

std::string Reason(int error) {
    return error != 0 ? std::strerror(error) : "unknown error";
}

class StdioOutputFile : public OutputFile {
  public:
    explicit StdioOutputFile(std::FILE* file) : file_(file) {}
    // A whole file: file is the temporary file at temporary, renamed over
    // target when it is closed without failure and removed otherwise.
    StdioOutputFile(std::FILE* file, std::string temporary, std::string target)
        : file_(file), temporary_(std::move(temporary)), target_(std::move(target)) {}
    ~StdioOutputFile() override {
        if (file_ && !temporary_.empty()) (void)Fail(ECANCELED);  // dropped: never put in place
        (void)Close();
    }

    Status Write(std::string_view bytes) override {
        if (!file_) return Fail(EBADF);
        if (bytes.empty()) return {};
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) return Fail(errno);
        return {};
    }

    Status Close() override {
        if (!file_) return Outcome();
        errno = 0;
        const bool flushed = std::fflush(file_) == 0;
        const int flushError = errno;
        // A file removed while it was written (its folder deleted by another
        // program, say) takes every byte and keeps none: that is no success.
        struct stat status {};
        const bool removed = fstat(fileno(file_), &status) == 0 && status.st_nlink == 0;
        errno = 0;
        const bool closed = std::fclose(file_) == 0;
        const int closeError = errno;
        file_ = nullptr;
        if (!flushed) (void)Fail(flushError);
        if (!closed) (void)Fail(closeError);
        if (removed) (void)Fail(ENOENT);
        if (!temporary_.empty()) {
            errno = 0;
            if (error_.empty() && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
                (void)Fail(errno);
            }
            if (!error_.empty()) (void)std::remove(temporary_.c_str());
        }
        return Outcome();
    }

  private:
    // The first failure is the one reported, also by every later call.
    Status Fail(int error) {
        if (error_.empty()) error_ = Reason(error);
        return Refused(error_);
    }
    Status Outcome() const {
        if (error_.empty()) return {};
        return Refused(error_);
    }

    std::FILE* file_;
    std::string error_;
    std::string temporary_;
    std::string target_;
};

}  // namespace

Result<std::unique_ptr<OutputFile>> StdioOutputFiles::Create(const std::string& path) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return Refused(Reason(errno));
    return std::unique_ptr<OutputFile>(std::make_unique<StdioOutputFile>(file));
}

Result<std::unique_ptr<OutputFile>> StdioOutputFiles::CreateWhole(const std::string& path) {
    std::string target = path;
    mode_t mode = 0666;  // less the umask, as for any new file
    bool replacing = false;
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        // A device or a pipe cannot be replaced; it takes the bytes as they come.
        if (!S_ISREG(status.st_mode)) return Create(path);
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) != nullptr) target = resolved;
        mode = status.st_mode & 07777;
        replacing = true;
    }
    Result<FileBeside> beside = CreateFileBeside(target, mode);
    if (!beside) return Refused(beside.reason());
    // The umask does not narrow the mode of the file replaced.
    if (replacing) (void)fchmod(beside->descriptor, mode);
    std::FILE* file = fdopen(beside->descriptor, "wb");
    if (!file) {
        const int error = errno;
        close(beside->descriptor);
        (void)std::remove(beside->path.c_str());
        return Refused(Reason(error));
    }
    return std::unique_ptr<OutputFile>(
        std::make_unique<StdioOutputFile>(file, std::move(beside).value().path, std::move(target)));
}

Status StdioOutputFiles::CreateFolder(const std::string& path) {
    errno = 0;
    if (mkdir(path.c_str(), 0777) == 0) return {};
    const int error = errno;
    struct stat status {};
    if (error == EEXIST && stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return {};
    return Refused(Reason(error == EEXIST ? ENOTDIR : error));
}

Status RunFile::Create(OutputFiles& files, std::string path, bool whole) {
    path_ = std::move(path);
    Result<std::unique_ptr<OutputFile>> created =
        whole ? files.CreateWhole(path_) : files.Create(path_);
    if (!created) return Refused("Could not create the file '" + path_ + "': " + created.reason());
    file_ = std::move(created).value();
    return {};
}

Status RunFile::Write(std::string_view bytes) {
    const Status written = file_->Write(bytes);
    return written ? written : WriteFailure(written);
}

Status RunFile::WriteLine(std::string_view text) {
    Status written = file_->Write(text);
    if (written) written = file_->Write(file_format::kLineEnd);
    return written ? written : WriteFailure(written);
}

Status RunFile::Close() {
    if (!file_) return {};
    const Status closed = file_->Close();
    return closed ? closed : WriteFailure(closed);
}

Status RunFile::WriteFailure(const Status& failed) const {
    return Refused("Could not write the file '" + path_ + "': " + failed.reason());
}

}  // namespace kestrel
