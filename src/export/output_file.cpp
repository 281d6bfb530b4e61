#include "export/output_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "catalogue/file_formats.h"
#include "util/file_writer.h"

namespace kestrel {
namespace {

class WrittenFile : public OutputFile {
  public:
    explicit WrittenFile(FileWriter file) : file_(std::move(file)) {}
    Status Write(std::string_view bytes) override { return file_.Write(bytes); }
    Status Close() override { return file_.Close(); }

  private:
    FileWriter file_;  // dropped unclosed: never put in place
};

}  // namespace

Result<std::unique_ptr<OutputFile>> StdioOutputFiles::Create(const std::string& path) {
    Result<FileWriter> file = FileWriter::Open(path, dashIsStandardOutput_);
    if (!file) return Refused(file.reason());
    return std::unique_ptr<OutputFile>(std::make_unique<WrittenFile>(std::move(file).value()));
}

Status StdioOutputFiles::CreateFolder(const std::string& path) {
    errno = 0;
    if (mkdir(path.c_str(), 0777) == 0) return {};
    const int error = errno;
    struct stat status {};
    if (error == EEXIST && stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return {};
    return Refused(std::strerror(error == EEXIST ? ENOTDIR : error));
}

Status RunFile::Create(OutputFiles& files, std::string path) {
    path_ = std::move(path);
    Result<std::unique_ptr<OutputFile>> created = files.Create(path_);
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
