#include "util/file_beside.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kestrel {

Result<FileBeside> CreateFileBeside(const std::string& target, mode_t mode) {
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    // Short enough that the name stays within the file system's limit.
    const std::string name = target.substr(folder.size()).substr(0, 200);
    const std::string stem = folder + "." + name + "." + std::to_string(getpid()) + "-";
    int error = EEXIST;
    for (int attempt = 0; attempt < 1000 && error == EEXIST; ++attempt) {
        FileBeside file{-1, stem + std::to_string(attempt) + ".tmp"};
        file.descriptor = open(file.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (file.descriptor >= 0) return file;
        error = errno;
    }
    return Refused(std::strerror(error));
}

}  // namespace kestrel
