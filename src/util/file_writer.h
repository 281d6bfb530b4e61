// The one writer of every file the program is told to write: Gen ALL's files,
// kestrel-gen's exports and plots, hex2ccf's CCF file.
//
// What the name stands for decides how it is written:
//   a regular file, or a name that does not exist yet
//       written whole: the bytes go to a temporary file beside it
//       (".NAME.PID-N.tmp"), which is renamed over the name only when it is
//       complete, with the mode (and, where the system allows it, the owner)
//       of the file it replaces. A failure leaves the name as it was and
//       removes the temporary file. A file the user may not write is refused
//       as opening it for writing would be.
//   a symbolic link
//       followed: the file it points to is written as above; the link stays.
//   a FIFO, a character device or a socket
//       opened and written in place, never replaced (/dev/null, /dev/stdout,
//       a pipe someone reads).
//   "-", where the caller allows it, and a name of an open descriptor
//   (/dev/stdout, /dev/fd/N, /proc/self/fd/N, through any links)
//       the stream itself, written in place (never the file it may lead to,
//       which would lose what was written to it before).
//   a directory or a block device
//       refused.
//
//   Result<FileWriter> out = FileWriter::Open(path);
//   if (!out) return Refused(out.reason());        // "Is a directory", ...
//   Status written = out->Write(bytes);
//   if (written) written = out->Close();            // in place only now
//
// A refusal's reason is the system's ("No space left on device"); callers
// put the file's name in front of it.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"

namespace kestrel {

class FileWriter {
  public:
    enum class Way { Whole, InPlace };

    // Opens path for writing as the table above says; "-" is standard output
    // when dashIsStandardOutput is set, and a file named "-" otherwise.
    static Result<FileWriter> Open(const std::string& path, bool dashIsStandardOutput = false);

    FileWriter(FileWriter&& other) noexcept;
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    FileWriter& operator=(FileWriter&&) = delete;
    // A whole file that was never closed is dropped; anything else is
    // closed as it stands.
    ~FileWriter();

    // Appends bytes (kept in a buffer, written in large blocks).
    Status Write(std::string_view bytes);
    // Writes what is buffered and closes; a whole file is then put in place.
    // Refused with the first failure of any write before it; later calls
    // repeat the outcome.
    Status Close();
    // Instead of Close: a whole file leaves nothing behind.
    void Drop();

    Way way() const { return way_; }
    // The file written or replaced, links followed; "-" for standard output.
    const std::string& Target() const { return target_; }
    // Where a whole file is written until it is complete; "" in place.
    const std::string& TemporaryPath() const { return temporary_; }

  private:
    FileWriter(int descriptor, Way way, std::string target, std::string temporary, bool keepOpen);
    bool Flush();
    Status Fail(int error);
    Status Outcome() const;

    int descriptor_ = -1;
    Way way_ = Way::Whole;
    std::string target_;
    std::string temporary_;
    bool keepOpen_ = false;  // standard output
    std::string buffer_;
    std::string error_;
};

// The descriptor path names when it is /dev/stdout, /dev/fd/N or
// /proc/self/fd/N, or a link to one; nothing otherwise.
std::optional<int> StandardStream(const std::string& path);

// Opens path, writes bytes and closes: the whole contents or nothing.
Status WriteFile(const std::string& path, std::string_view bytes,
                 bool dashIsStandardOutput = false);

}  // namespace kestrel
