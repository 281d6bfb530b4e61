// Gen ALL: every command of the catalogue generated into one output file.
//
// The run walks the catalogue through the window's field record and the same
// RequestCode a click uses, and tells an observer about every step so that a
// window can show each sample's fields, caption and progress and process its
// events on the way. Output kinds, by the last four characters of the chosen
// file name (ignoring case):
//   ".hex"  Pronto hex file: enumeration samples only
//   ".ccf"  Pronto hex lines into "Temp$$.hex" in the chosen file's folder,
//           a companion listing "<name>.txt" beside it, then the converter
//           hex2ccf from the program's folder turns the first into the CCF
//   other   text listing: enumeration samples and, for range commands, the
//           minimum, middle and maximum
// Every line ends with CR LF; texts are written as the bytes they are.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/fields.h"

namespace kestrel {

class Catalogue;
class Display;
class Generator;
class OutputFiles;
struct ValueRange;

// The `mode` of a run.
enum class OutputKind : int16_t { TextListing = 0, ProntoHex = 1, ProntoCcf = 2 };

OutputKind OutputKindOf(std::string_view fileName);

// The middle sample of a range: (Min + Max) / 2 by the leading-number rule,
// written with up to 15 significant digits when the Min text holds a ".",
// else rounded (halves to even) to an integer of any size. Empty when the
// middle is not a finite number.
std::optional<std::string> MiddleOfRange(const ValueRange& range);

// One line of the companion listing (without its line end).
std::string CompanionLine(int64_t buttonNumber, std::string_view label, std::string_view caption);

enum class SampleRule { Enumeration, Minimum, Middle, Maximum };

// The message for a converter that did not make the CCF file at ccfPath:
// what it wrote to its standard error or, when it wrote nothing, how it
// ended ("exit status 1").
std::string ConverterFailure(const std::string& ccfPath, std::string_view errors,
                             const std::string& how);

// A sample as it was written.
struct Sample {
    int entry = 0;  // command index, from 1
    int item = 0;   // enumeration choice from 1; 1, 2, 3 for minimum, middle, maximum
    SampleRule rule = SampleRule::Enumeration;
    int64_t number = 0;  // position in the run, from 0
    std::string caption;
    std::string df;  // the function code in decimal, as written
};

// What a window does while a run goes on.
class GenerateAllObserver {
  public:
    virtual ~GenerateAllObserver() = default;
    // The status line: emptied and shown at the start of the run.
    virtual void RunStarted() {}
    // Where the run lets pending window events run.
    virtual void ProcessEvents() {}
    // The caption of the current sample, shown in the status line.
    virtual void CaptionChanged(const std::string& /*caption*/) {}
    // A sample was generated and written.
    virtual void SampleWritten(const WindowFields& /*fields*/, const Sample& /*sample*/) {}
    // The files are closed; the status line is emptied and hidden.
    virtual void RunEnded() {}
    // True once the program is ending: the run stops before its next
    // sample, closes its files and reports nothing further.
    virtual bool ShouldStop() { return false; }
};

// Starts program with arguments in workingFolder without waiting; false
// when it could not be started, with the reason in error.
using ProgramStarter =
    std::function<bool(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& workingFolder, std::string& error)>;

struct GenerateAllResult {
    bool ran = false;      // false when no file name was given
    bool written = false;  // every file was created, written and closed
    bool stopped = false;  // the program ended during the run
    int64_t samples = 0;
    bool converterStarted = false;
    bool converterMissing = false;
};

class GenerateAll {
  public:
    GenerateAll(const Catalogue& catalogue, Generator& generator, Display& display,
                OutputFiles& files);

    void SetObserver(GenerateAllObserver* observer) { observer_ = observer; }
    // Where the converter hex2ccf lives and how it is started.
    void SetConverter(std::string programFolder, ProgramStarter starter);

    // One run into chosenPath (an absolute path; "" means the user cancelled
    // and nothing happens), through the window's fields. A file that cannot
    // be created or written is reported, every file of the run is closed and
    // the run ends as usual, without starting the converter; so does a
    // converter that cannot be started.
    GenerateAllResult Run(WindowFields& fields, const std::string& chosenPath);

    // Codes written in Pronto hex and CCF runs since the start of the last
    // run; it numbers the companion listing's buttons.
    int64_t ProntoButtonNumber = 0;

  private:
    struct RunFiles;
    bool SaveIRdata(RunFiles& files, const std::string& caption, const std::string& df,
                    const std::string& value, const std::string& code, OutputKind kind);

    const Catalogue& catalogue_;
    Generator& generator_;
    Display& display_;
    OutputFiles& files_;
    GenerateAllObserver* observer_ = nullptr;
    std::string programFolder_;
    ProgramStarter starter_;
};

}  // namespace kestrel
