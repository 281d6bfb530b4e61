// The files a generate-all run writes, behind a small seam: the real files
// check every write and the close; tests use files that fail on demand.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace kestrel {

class OutputFile {
  public:
    virtual ~OutputFile() = default;
    // Appends bytes; false when they could not be written (Error says why).
    virtual bool Write(std::string_view bytes) = 0;
    // Flushes and closes; false when that failed. Further calls do nothing.
    virtual bool Close() = 0;
    virtual const std::string& Error() const = 0;
};

class OutputFiles {
  public:
    virtual ~OutputFiles() = default;
    // Creates path anew (an existing file is emptied). Null when it cannot
    // be created; error then says why.
    virtual std::unique_ptr<OutputFile> Create(const std::string& path, std::string& error) = 0;
};

// Files of the file system, written through std::FILE.
class StdioOutputFiles : public OutputFiles {
  public:
    std::unique_ptr<OutputFile> Create(const std::string& path, std::string& error) override;
};

}  // namespace kestrel
