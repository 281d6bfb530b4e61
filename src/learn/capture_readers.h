// Reading captures from the files people have: one reader per format, and
// the set of readers that picks the one for a file.
//
// A reader knows one format. It says how sure it is that a file is in its
// format, and reads every capture of the file, reporting what it cannot
// read with the line and going on with the next capture. A new format is
// one class deriving from CaptureReader, added to a CaptureReaders with Add.
//
// Built in:
//   mode2   LIRC's mode2 text: "pulse N", "space N", "carrier N" and
//           "timeout N" lines (also what ir-ctl --mode2 prints)
//   ir-ctl  ir-ctl's text: "+N -N ..." lines, comments with "timeout N"
//           and "carrier N"
//   pronto  Pronto hex lines of learned codes, one code a line; other lines
//           (the captions of Kestrel's .txt and .hex files) are skipped
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "learn/capture.h"

namespace kestrel {

class CaptureReader {
  public:
    virtual ~CaptureReader() = default;

    // The format's name, as messages write it.
    virtual std::string_view Name() const = 0;
    // How sure the reader is that text (a whole file named fileName) is in
    // its format: 0 for not at all, kReaderSure when nothing else reads it.
    // Looks at the name and the first lines only.
    virtual int Recognise(std::string_view fileName, std::string_view text) const = 0;
    // Appends every capture of text to out, in order, each located in
    // fileName. A part it cannot read is a problem in out with its line;
    // the capture holding it is left out and reading goes on.
    virtual void Read(std::string_view text, const std::string& fileName,
                      CaptureFile& out) const = 0;
};

// How sure a reader can be: a marker only its format has (a file type line,
// a name ending of its own) is sure; lines that look like the format are
// likely.
inline constexpr int kReaderSure = 100;
inline constexpr int kReaderLikely = 50;

// The readers a program knows, built-in ones first.
class CaptureReaders {
  public:
    // The built-in readers: mode2, ir-ctl, Pronto.
    CaptureReaders();
    ~CaptureReaders();
    CaptureReaders(const CaptureReaders&) = delete;
    CaptureReaders& operator=(const CaptureReaders&) = delete;

    void Add(std::unique_ptr<CaptureReader> reader);

    // The reader most sure of text (the first added on a tie); null when
    // none recognises it.
    const CaptureReader* ReaderFor(std::string_view fileName, std::string_view text) const;
    // The captures of text by that reader; with no reader, one problem at
    // line 1.
    CaptureFile Read(const std::string& fileName, std::string_view text) const;

  private:
    std::vector<std::unique_ptr<CaptureReader>> readers_;
};

// The built-in readers, for a program that wants one alone.
std::unique_ptr<CaptureReader> Mode2Reader();
std::unique_ptr<CaptureReader> IrCtlReader();
std::unique_ptr<CaptureReader> ProntoCaptureReader();

// The capture of one Pronto hex line (a learned code from a transceiver):
// its once and repeat durations in microseconds and its carrier. Refused
// with the Pronto reader's reason.
Result<Capture> CaptureOfPronto(std::string_view text, SourceLocation where);

}  // namespace kestrel
