// Starting an outside program, such as the converter hex2ccf that turns a
// Pronto hex file into a CCF file, and learning how it ended.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"

namespace kestrel {

// How a started program ended.
struct ProgramEnd {
    bool exited = false;  // false: ended by a signal
    int code = 0;         // exit status, or the signal's number
    bool ok() const { return exited && code == 0; }
    // "exit status 1", "signal 9".
    std::string Describe() const;
};

// A program started by StartProgram. It runs on by itself: nothing here
// stops it or waits for it unless asked, and it is not stopped when this
// object goes away.
class StartedProgram {
  public:
    StartedProgram(int64_t processId, int errorDescriptor);
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    int64_t ProcessId() const { return processId_; }
    // Our end of the pipe the program's standard error goes to; -1 once the
    // program has closed it.
    int ErrorDescriptor() const { return errorDescriptor_; }
    // Reads what the program wrote to its standard error so far, without
    // blocking; false once the program has closed it.
    bool ReadErrors();
    // What it wrote to its standard error (the first 64 KiB).
    const std::string& Errors() const { return errors_; }
    // How the program ended; nothing while it runs. Does not block.
    std::optional<ProgramEnd> Ended();
    // Waits until the program has ended, at most timeout; nothing when it
    // still runs then.
    std::optional<ProgramEnd> WaitForEnd(std::chrono::milliseconds timeout);

  private:
    int64_t processId_;
    int errorDescriptor_;
    std::string errors_;
    std::optional<ProgramEnd> end_;
};

// Starts program with arguments handed over as a list (never through a
// shell), workingFolder as its current folder, standard input and output on
// the null device and standard error into a pipe, and returns at once.
// Texts are handed over as the bytes they are. Refused, with the reason, when
// the program could not be started.
Result<std::unique_ptr<StartedProgram>> StartProgram(const std::string& program,
                                                     const std::vector<std::string>& arguments,
                                                     const std::string& workingFolder);

}  // namespace kestrel
