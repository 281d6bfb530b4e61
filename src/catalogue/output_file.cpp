#include "catalogue/output_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kestrel {
namespace {

std::string Reason(int error) {
    return error != 0 ? std::strerror(error) : "unknown error";
}

class StdioOutputFile : public OutputFile {
  public:
    explicit StdioOutputFile(std::FILE* file) : file_(file) {}
    ~StdioOutputFile() override { (void)Close(); }

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
        if (!flushed) return Fail(flushError);
        if (!closed) return Fail(closeError);
        if (removed) return Fail(ENOENT);
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
};

}  // namespace

Result<std::unique_ptr<OutputFile>> StdioOutputFiles::Create(const std::string& path) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return Refused(Reason(errno));
    return std::unique_ptr<OutputFile>(std::make_unique<StdioOutputFile>(file));
}

}  // namespace kestrel
