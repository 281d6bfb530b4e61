// Gen ALL: every command of the catalogue generated into one output file.
//
// The run walks the catalogue through the window's field record and the same
// RequestCode a click uses, and tells an observer about every step so that a
// window can show each sample's fields, caption and progress and process its
// events on the way. Each entry gives a list of samples: its enumeration
// choices in list order or, when the writer takes ranges, the minimum,
// middle and maximum of its range; other entries give none. The output kind
// comes from the chosen file's name (generate_all_writers.h), whose writer
// lays out the files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/generate_all_writers.h"
#include "session/fields.h"
#include "util/notice.h"

namespace kestrel {

class Catalogue;
class Generator;
class OutputFiles;
struct CommandEntry;
struct ValueRange;

// The middle sample of a range: (Min + Max) / 2 by the leading-number rule,
// written with up to 15 significant digits when the Min text holds a ".",
// else rounded (halves to even) to an integer of any size. Empty when the
// middle is not a finite number.
std::optional<std::string> MiddleOfRange(const ValueRange& range);

// A sample of an entry before it is taken.
struct PlannedSample {
    SampleRule rule;
    int item;                          // from 1
    std::optional<std::string> value;  // none: a middle that is no finite number
    std::string label;                 // the choice's, or "Minimum of Range" and its siblings
};

// The samples a run takes of an entry, in order: its enumeration choices, or
// (when ranges are taken) the minimum, middle and maximum of its range.
std::vector<PlannedSample> SamplesOf(const CommandEntry& entry, bool ranges);

// The samples of a complete export (options.everyEntry; otherwise those of
// SamplesOf): a range gives its values from Min to Max at options.step (a
// whole step of at least 1 for an integer range), or every whole value when
// no step is given and the range holds at most kWholeRangeValues of them,
// Max always last. A range that gives no such list (a real range without a
// step, Max below Min, more than kMostRangeValues values) keeps its three
// samples, and note says why.
std::vector<PlannedSample> SamplesOf(const CommandEntry& entry, bool ranges,
                                     const ExportOptions& options, std::string& note);
// How many samples a run with options takes of the catalogue (a middle that
// is no finite number is not taken).
int64_t SampleCount(const Catalogue& catalogue, bool ranges, const ExportOptions& options);

// What a window does while a run goes on. The run shows nothing itself: what
// the user is to see comes to Show when it arises, so that the window shows
// it beside the sample it is about, and a run can be ended meanwhile.
class GenerateAllObserver {
  public:
    virtual ~GenerateAllObserver() = default;
    // The status line: emptied and shown at the start of the run, which
    // plans to take samples samples.
    virtual void RunStarted(int64_t /*samples*/) {}
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
    // A message or flash for the user (the request's notes and refusals,
    // ParseHexByte's message, a file that cannot be written), in order.
    virtual void Show(const Notice& /*notice*/) {}
};

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
    GenerateAll(const Catalogue& catalogue, Generator& generator, OutputFiles& files);

    void SetObserver(GenerateAllObserver* observer) { observer_ = observer; }
    // Where the converter hex2ccf lives and how it is started.
    void SetConverter(std::string programFolder, ProgramStarter starter);
    // What the runs take and how their writers name the codes. A complete
    // run ends with every remote button, in Remote mode.
    void SetExportOptions(const ExportOptions& options) { options_ = options; }

    // One run into chosenPath (an absolute path; "" means the user cancelled
    // and nothing happens), through the window's fields, of the kind the
    // name picks or of the kind given. A file that cannot be created or
    // written is reported, every file of the run is closed and the run ends
    // as usual, without starting the converter; so does a converter that
    // cannot be started.
    GenerateAllResult Run(WindowFields& fields, const std::string& chosenPath);
    GenerateAllResult Run(WindowFields& fields, const std::string& chosenPath,
                          const OutputKind& kind);

  private:
    Status Walk(WindowFields& fields, OutputWriter& writer, GenerateAllObserver& observer,
                GenerateAllResult& result);
    Status WalkRemote(WindowFields& fields, OutputWriter& writer, GenerateAllObserver& observer,
                      GenerateAllResult& result);
    void Request(WindowFields& fields, GenerateAllObserver& observer);
    Status WriteSample(WindowFields& fields, OutputWriter& writer, GenerateAllObserver& observer,
                       GenerateAllResult& result, Sample& sample);

    const Catalogue& catalogue_;
    Generator& generator_;
    OutputFiles& files_;
    GenerateAllObserver* observer_ = nullptr;
    ConverterSetup converter_;
    ExportOptions options_;
};

}  // namespace kestrel
