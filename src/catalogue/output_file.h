// The files a generate-all run writes, behind a small seam: the real files
// check every write and the close; tests use files that fail on demand.
// A refusal carries the system's reason ("No space left on device"); the
// run's writers put the file's name in front of it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "util/result.h"

namespace kestrel {

class OutputFile {
  public:
    virtual ~OutputFile() = default;
    // Appends bytes.
    virtual Status Write(std::string_view bytes) = 0;
    // Flushes and closes; refused when that, or a write before it, failed
    // (with the first reason). Further calls only repeat the outcome.
    virtual Status Close() = 0;
};

class OutputFiles {
  public:
    virtual ~OutputFiles() = default;
    // Creates path anew (an existing file is emptied).
    virtual Result<std::unique_ptr<OutputFile>> Create(const std::string& path) = 0;
};

// Files of the file system, written through std::FILE.
class StdioOutputFiles : public OutputFiles {
  public:
    Result<std::unique_ptr<OutputFile>> Create(const std::string& path) override;
};

}  // namespace kestrel
