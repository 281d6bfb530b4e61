// A new file beside another, for writing a file whole or not at all: the
// bytes go to the new file, which is renamed over the target once complete
// and removed otherwise. Gen ALL's exports and hex2ccf write their files so.
#pragma once

#include <sys/types.h>

#include <string>

#include "util/result.h"

namespace kestrel {

struct FileBeside {
    int descriptor = -1;  // open for writing
    std::string path;
};

// Creates a file of a new name (".<target's name>.<process id>-<n>.tmp") in
// target's folder, with mode less the umask. Refused with the system's
// reason when it cannot be created.
Result<FileBeside> CreateFileBeside(const std::string& target, mode_t mode);

}  // namespace kestrel
