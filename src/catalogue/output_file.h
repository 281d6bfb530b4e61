// The files a generate-all run writes, behind a small seam: the real files
// check every write and the close; tests use files that fail on demand.
// A refusal carries the system's reason ("No space left on device"); a
// RunFile puts the file's name in front of it.
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
    // A file that appears at path whole or not at all: only a Close without
    // failure puts it in place (over an existing file); a failure, or a file
    // dropped unclosed, leaves path as it was. Files kept in memory have no
    // half-written state to hide and create path directly.
    virtual Result<std::unique_ptr<OutputFile>> CreateWhole(const std::string& path) {
        return Create(path);
    }
    // Makes the folder path, whose parent must exist; a folder already there
    // is kept as it is. Files kept in memory need no folder.
    virtual Status CreateFolder(const std::string& /*path*/) { return {}; }
};

// Files of the file system, written through std::FILE. A whole file is
// written to a temporary file in the same folder (".NAME.PID-N.tmp", mode
// of the file it replaces) and renamed over path at its close; an existing
// path that is no regular file (a device, a pipe) is written directly, and
// a symbolic link is kept and the file it points to replaced.
class StdioOutputFiles : public OutputFiles {
  public:
    Result<std::unique_ptr<OutputFile>> Create(const std::string& path) override;
    Result<std::unique_ptr<OutputFile>> CreateWhole(const std::string& path) override;
    Status CreateFolder(const std::string& path) override;
};

// One file of a run, with the messages that name it: "Could not create the
// file '...': reason" and "Could not write the file '...': reason".
class RunFile {
  public:
    Status Create(OutputFiles& files, std::string path, bool whole = false);
    // The bytes as they stand, or a line ended as every line of Gen ALL's
    // files is (file_formats.h).
    Status Write(std::string_view bytes);
    Status WriteLine(std::string_view text);
    // Closes the file when it was created.
    Status Close();
    // Drops the file unclosed: a whole file leaves nothing behind.
    void Drop() { file_.reset(); }

  private:
    Status WriteFailure(const Status& failed) const;

    std::string path_;
    std::unique_ptr<OutputFile> file_;
};

}  // namespace kestrel
