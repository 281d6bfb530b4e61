// Gen ALL's output kinds: one writer class per kind behind one interface.
//
//   kind  picked by a name ending  samples                   files
//   txt   (any other ending)       enumerations and ranges   the text listing
//   hex   ".hex"                   enumerations              the Pronto hex file
//   ccf   ".ccf"                   enumerations              "Temp$$.hex" in the chosen file's
//                                                            folder and the companion listing
//                                                            "<name>.txt", then the converter
//   lircd (its name only)          enumerations and ranges   a lircd.conf, written whole
//   json  (its name only)          enumerations and ranges   one JSON object, written whole
//   csv   (its name only)          enumerations and ranges   a table, written whole
//
// The exports for other IR tools (flipper, esphome, homeassistant, broadlink,
// girr, keymap, irctl) live in export/format_writers.h, with a table of their
// own; kestrel-gen looks a name up there first. A complete export
// (ExportOptions::everyEntry) also takes every range value it can and every
// remote button (SampleRule::Value, SampleRule::Remote).
//
// A run asks its writer which samples it takes and how their captions
// read, opens the writer's files, hands it every sample in order, closes
// it, and lets it finish (the CCF run starts the converter there). A writer
// shows nothing: it gives back a refusal naming the file, and the run shows
// it. The lines of each file are laid out in catalogue/file_formats.h.
//
// A new output kind is one class deriving from OutputWriter and one row of
// the kinds' table in generate_all_writers.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace kestrel {

class Catalogue;
class OutputFiles;
struct GenerateAllResult;

// Value: a range value of a complete export; Remote: a remote-control button.
enum class SampleRule { Enumeration, Minimum, Middle, Maximum, Value, Remote };

// How a writer's captions read, for a command Power with function code 1A
// and the choice (1)On:
//   Listing  Power = On  (0x1A/26  '1'/49)
//   Short    Power = On
// A range sample reads the same in both: Level(0x0C/12) Minimum of Range=0.
// A range value of a complete export reads Level = 37 (Short) or
// Level(0x0C/12) Value of Range=37 (Listing), a remote button Menu (Short)
// or Remote button Menu (Listing).
enum class CaptionStyle { Listing, Short };

// One sample of a run, with everything a writer may put in its files.
struct Sample {
    int entry = 0;  // command index, from 1; 0 for a remote button
    int item = 0;   // enumeration choice from 1; 1, 2, 3 for minimum, middle, maximum; a
                    // range value's place from 1; a remote button's index from 1
    SampleRule rule = SampleRule::Enumeration;
    int64_t number = 0;       // position in the run, from 0: the Pronto button number
    std::string command;      // the command's name, or the remote button's
    std::string label;        // the choice's label, "Minimum of Range" and its siblings,
                              // "Value of Range", or "Remote button"
    std::string functionHex;  // the function code as the device file writes it
    std::string functionDec;  // in decimal, as the files write it ("0" for a code that is
                              // not one or two hexadecimal digits)
    std::string value;        // the value text the code was generated for
    char valueKind = 'V';     // the value kind letter sent: A, D, H or V
    std::string caption;
    std::string code;  // the Pronto hex text; "" when the request was refused
    // What the generator made the code from: its carrier and durations in
    // microseconds, marks positive and spaces negative (0 and none when the
    // request was refused).
    int32_t carrierHz = 0;
    std::vector<int32_t> durations;

    // The label of a Pronto button: the decimal code and the value text.
    std::string ButtonLabel() const { return functionDec + value; }
};

// How an export names its codes: by caption ("Power = On") or as a key
// ("KEY_POWER", "POWER_ON"); see export/sample_names.h.
enum class NameStyle { Caption, Key };

// What an export of kestrel-gen takes and how it writes it. Gen ALL's own
// runs keep the defaults.
struct ExportOptions {
    // Every remote button, every enumeration value and the values of each
    // range (at step, or all of a range of at most kWholeRangeValues values)
    // besides the samples; false: Gen ALL's samples alone.
    bool everyEntry = false;
    std::optional<double> step;  // a positive step along the ranges
    NameStyle names = NameStyle::Caption;
    bool raw = false;  // raw durations instead of Pronto text, where a format has both

    static constexpr int64_t kWholeRangeValues = 256;
    // More values than this at a step: the range's three samples instead.
    static constexpr int64_t kMostRangeValues = 10000;
};

// Starts program with arguments in workingFolder without waiting for it;
// refused with the reason when it could not be started.
using ProgramStarter =
    std::function<Status(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingFolder)>;

// Where the converter lives and how it is started.
struct ConverterSetup {
    std::string programFolder;
    ProgramStarter starter;  // none: the converter is looked for but not started
};

// A file a kind writes beside the chosen one.
struct CompanionFile {
    std::string path;
    std::string_view role;   // "the button listing"
    bool temporary = false;  // the converter's input, rewritten by every run
};

class OutputWriter {
  public:
    virtual ~OutputWriter() = default;

    // Whether the range samples (minimum, middle, maximum) are taken besides
    // the enumeration choices.
    virtual bool TakesRanges() const = 0;
    virtual CaptionStyle Captions() const = 0;
    // The export's options, before Open.
    virtual void Configure(const ExportOptions& /*options*/) {}
    // The files Open creates besides the chosen file (or instead of it) for
    // the chosen file name (an absolute path), in the order created.
    virtual std::vector<CompanionFile> CompanionFiles(const std::string& /*chosenPath*/) const {
        return {};
    }

    // Creates the kind's files for the chosen file name (an absolute path)
    // and the catalogue's model. Refused, naming the file, when one cannot
    // be created; the files created before it are closed then.
    virtual Status Open(OutputFiles& files, const std::string& chosenPath,
                        const Catalogue& catalogue) = 0;
    // Writes one sample; refused, naming the file, when a write failed.
    virtual Status Write(const Sample& sample) = 0;
    // Closes every file, also after a failure; refused, naming the file,
    // when a close failed or a write before it did.
    virtual Status Close() = 0;
    // Instead of Close, when the program ends during the run: the files
    // are closed as they stand, or dropped by a kind written whole.
    virtual void Abandon() { (void)Close(); }
    // After a run whose files were all written and closed: what the kind
    // does next. The result learns what became of the converter; a refusal
    // is shown to the user.
    virtual Status Finish(const ConverterSetup& /*converter*/, GenerateAllResult& /*result*/) {
        return {};
    }
};

// One output kind: its name, the file name ending that picks it, its writer.
struct OutputKind {
    std::string_view name;       // "txt", "hex", "ccf", "lircd", "json", "csv"
    std::string_view extension;  // compared ignoring case; "" when only the name picks it
    std::unique_ptr<OutputWriter> (*make)();
};

// The kind that a chosen file name picks by its ending; the text listing
// for any other name.
const OutputKind& OutputKindOf(std::string_view fileName);
// The kind with that name (ignoring case); null when there is none.
const OutputKind* OutputKindNamed(std::string_view name);

// One line of the companion listing (without its line end).
std::string CompanionLine(int64_t buttonNumber, std::string_view label, std::string_view caption);

// The message for a converter that did not make the CCF file at ccfPath:
// what it wrote to its standard error or, when it wrote nothing, how it
// ended ("exit status 1").
std::string ConverterFailure(const std::string& ccfPath, std::string_view errors,
                             const std::string& how);

}  // namespace kestrel
