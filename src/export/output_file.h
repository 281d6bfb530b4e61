// The files a generate-all run writes, behind a small seam: the real files
// check every write and the close; tests use files that fail on demand.
// A refusal carries the system's reason ("No space left on device"); a
// RunFile puts the file's name in front of it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/result.h"

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
    // Creates the file at path: one that appears whole or not at all (only
    // a Close without failure puts it in place, over an existing file; a
    // failure, or a file dropped unclosed, leaves path as it was), except
    // where path names something that cannot be replaced (a device, a pipe),
    // which takes the bytes as they come. Files kept in memory have no
    // half-written state to hide and create path directly.
    virtual Result<std::unique_ptr<OutputFile>> Create(const std::string& path) = 0;
    // Makes the folder path, whose parent must exist; a folder already there
    // is kept as it is. Files kept in memory need no folder.
    virtual Status CreateFolder(const std::string& /*path*/) { return {}; }
};

// Files of the file system, written by util's FileWriter (file_writer.h):
// a regular file or a new name whole through a temporary file beside it
// (mode of the file it replaces), a symbolic link followed, a FIFO, device
// or socket in place, a directory refused. With dashIsStandardOutput the
// name "-" is standard output.
class StdioOutputFiles : public OutputFiles {
  public:
    explicit StdioOutputFiles(bool dashIsStandardOutput = false)
        : dashIsStandardOutput_(dashIsStandardOutput) {}
    Result<std::unique_ptr<OutputFile>> Create(const std::string& path) override;
    Status CreateFolder(const std::string& path) override;

  private:
    bool dashIsStandardOutput_;
};

// One file of a run, with the messages that name it: "Could not create the
// file '...': reason" and "Could not write the file '...': reason".
class RunFile {
  public:
    Status Create(OutputFiles& files, std::string path);
    // The bytes as they stand, or a line ended as every line of Gen ALL's
    // files is (file_formats.h).
    Status Write(std::string_view bytes);
    Status WriteLine(std::string_view text);
    // Closes the file when it was created.
    Status Close();
    // Drops the file unclosed: a file written whole leaves nothing behind.
    void Drop() { file_.reset(); }

  private:
    Status WriteFailure(const Status& failed) const;

    std::string path_;
    std::unique_ptr<OutputFile> file_;
};

}  // namespace kestrel
