// The command catalogue of one video-processor model and the loader of its
// device description file ("<Model>IR.ini"; device_file_reader.h describes
// the format, this loader what its entries mean).
//
// Nothing is reset at the start of a load: a table is emptied only by its
// own header, and the settings change only through the lines that set them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/result.h"
#include "catalogue/device_file_reader.h"

namespace kestrel {

class SubstringIndex;

// Largest number of entries of a table: a limit of the format (stored files
// were made for 16-bit indexes); a line that would add more is skipped.
inline constexpr int kMaxTableEntries = 32767;

struct ValueRange {
    std::string Min;
    std::string Max;
};

struct EnumValue {
    int16_t Code = 0;
    std::string Label;
};

// What a command's value is. A line that redefines a command keeps what
// the earlier line loaded and its type does not replace: an enumeration line
// over an integer or real command (or the other way round) leaves a command
// with both its choices and its range; any other type leaves the kind as
// it was.
enum class ValueKind {
    Other,        // no value: not sent by IR (Query and any other type)
    Enumeration,  // one of Values
    Integer,      // a whole number within Range
    Real,         // a number within Range
    // Both the choices and a range: whoever asks IsEnumeration first takes
    // the choices; HasRange is true as well.
    EnumerationAndInteger,
    EnumerationAndReal,
};

struct CommandEntry {
    std::string Name;
    std::string FunctionCode;  // hexadecimal digits as written in the file
    ValueRange Range;
    ValueKind Kind = ValueKind::Other;
    // The value choices in list order: choice j (counted from 1) is Values[j - 1].
    std::vector<EnumValue> Values;

    // Values holds the choices.
    bool IsEnumeration() const {
        return Kind == ValueKind::Enumeration || Kind == ValueKind::EnumerationAndInteger ||
               Kind == ValueKind::EnumerationAndReal;
    }
    // A number within Range (integer and real commands).
    bool HasRange() const { return Kind != ValueKind::Other && Kind != ValueKind::Enumeration; }
    // The range holds whole numbers.
    bool IsInteger() const {
        return Kind == ValueKind::Integer || Kind == ValueKind::EnumerationAndInteger;
    }
};

struct RemoteEntry {
    std::string Name;
    std::string Code;  // the value sent for the button
};

// What the loader did with a line it did not simply load: skipped it for
// breaking a limit of the format (nothing of it is stored), ignored it (the
// format gives it no effect), kept or dropped it through its qualifier
// group, or loaded it although it hardly says what its writer meant (a
// warning: a function code of other than one or two hexadecimal digits, a
// remote code that is no whole number 0..255, an enumeration item without
// "(code)", a range whose bounds are no numbers or run backwards, an
// ALLOWMANUAL that is neither TRUE nor FALSE, a firmware that is no number,
// an unqualified line that replaces a command or button of an earlier
// line). A kept line may still be skipped for a limit afterwards; a skipped
// line gives no warning.
struct LineNote {
    enum class Kind { Skipped, Ignored, Kept, Dropped, Warning };
    Kind kind = Kind::Skipped;
    int64_t line = 0;  // from 1, lines split as ForEachLine splits them; 0 outside a load
    // begins with "skipped: ", "ignored: ", "kept: ", "dropped: " or "warning: "
    std::string reason;
};

class Catalogue {
  public:
    Catalogue();
    ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    // Loads folder/fileName into the tables and settings. A file that cannot
    // be read is refused as ReadDeviceFileText refuses it, and nothing changes.
    Status LoadDeviceFile(const std::string& folder, const std::string& fileName);
    // Loads the text of a device file: ReadDeviceFile with a Loader.
    void LoadDeviceText(std::string_view text);

    // Index (from 0) of the command whose Name equals name ignoring case.
    std::optional<size_t> FindCommand(std::string_view name) const;
    // Index (from 0) of the remote button with that name ignoring case.
    std::optional<size_t> FindRemote(std::string_view name) const;
    // The command FindCommand finds; a blank entry when there is none.
    const CommandEntry& CommandNamed(std::string_view name) const;

    size_t CommandCount() const { return commands_.size(); }
    size_t RemoteCount() const { return remoteCodes_.size(); }
    // Entry at index (from 0); an index outside the table gives a blank
    // entry, so a stale index reads harmlessly.
    const CommandEntry& Command(size_t index) const;
    const RemoteEntry& Remote(size_t index) const;
    // The tables in order: entry i is Command(i) / Remote(i).
    const std::vector<CommandEntry>& Commands() const { return commands_; }
    const std::vector<RemoteEntry>& RemoteCodes() const { return remoteCodes_; }

    // The handler that loads what ReadDeviceFile reads into the catalogue.
    class Loader;

    // Model settings. ModelName is set by the model selection before a load
    // and replaced by a MODEL line.
    std::string ModelName;
    std::string ModelOptions;   // upper case; "" when none
    std::string ModelFirmware;  // "" while no file set one
    // Whether the Manual mode may be chosen; set by ALLOWMANUAL lines only.
    bool AllowManual = false;
    // Whether the text the last load read is valid UTF-8 as a whole; a
    // window shows its texts as UTF-8 then, and as Latin-1 otherwise. The
    // tables keep the file's bytes either way.
    bool TextIsUtf8 = false;

    // Called once before each qualifier is tested, so that a window can
    // process its pending events during a load. Empty: nothing is called.
    std::function<void()> ProcessEvents;

    // Told about every line the loader skips, ignores, keeps or drops by
    // its qualifiers, in file order, while it loads. Empty: nobody is told.
    std::function<void(const LineNote&)> OnLineNote;

  private:
    bool GroupPasses(const QualifierGroup& group, bool noting);
    bool QualifierPasses(const Qualifier& qualifier);
    bool OptionsContain(std::string_view option);
    void SystemLine(std::string_view name, std::string_view value);
    void CommandLine(std::string_view name, std::string_view value);
    void RemoteLine(std::string_view name, std::string_view value);
    void NoteRemoteCode(const std::string& code);
    void Note(LineNote::Kind kind, std::string text);

    std::vector<CommandEntry> commands_;
    std::vector<RemoteEntry> remoteCodes_;
    // The line of each entry's first definition in the load that made it.
    std::vector<int64_t> commandLines_;
    std::vector<int64_t> remoteLines_;
    // Name (ASCII upper case) -> index from 0; rebuilt with its table.
    std::unordered_map<std::string, size_t> commandIndex_;
    std::unordered_map<std::string, size_t> remoteIndex_;
    int64_t currentLine_ = 0;     // the line being loaded, for OnLineNote
    bool lineQualified_ = false;  // the line has a qualifier group that is not empty

    // What the qualifiers of a load compare with, worked out when the
    // setting changes instead of at every qualifier: a device file may hold
    // a firmware or options text of megabytes and hundreds of thousands of
    // qualifiers. Kept only while a load runs (loads may nest through
    // ProcessEvents); outside one the settings are read directly.
    int loadDepth_ = 0;
    double firmwareNumber_ = 0;                     // LeadingNumber(ModelFirmware)
    std::unique_ptr<SubstringIndex> optionsIndex_;  // of ModelOptions; made when first asked
};

// One load of a catalogue: made when the load starts, destroyed when it
// ends. Qualifier groups are tested against the model settings as they
// stand when the entry arrives (SYSTEM entries change them during a load),
// with ProcessEvents called before each qualifier; entries in no section
// and lines that are no entry are only noted. A caller that reads a device
// file itself (kestrel-gen check) hands the reader's calls on to a Loader,
// so that what it reports is what the catalogue loads.
class Catalogue::Loader final : public DeviceFileHandler {
  public:
    explicit Loader(Catalogue& catalogue);
    ~Loader() override;
    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;

    void OnSection(Section section, int64_t line) override;
    void OnUnknownHeader(std::string_view header, Section section, int64_t line) override;
    void OnEntry(const DeviceFileEntry& entry) override;
    void OnUnreadable(LineProblem problem, Section section, int64_t line) override;

  private:
    Catalogue& catalogue_;
    int64_t outerLine_;  // the line of a load this one is nested in
};

// The text of folder/fileName (found as DeviceFilePath finds it), or the
// refusal "There is no INI file named <fileName>, one is required".
Result<std::string> ReadDeviceFileText(const std::string& folder, const std::string& fileName);

// folder/fileName; when there is no such file but one whose name equals
// fileName ignoring case, that one (device files are found ignoring case, also
// on file systems that tell case apart).
std::string DeviceFilePath(const std::string& folder, const std::string& fileName);

// The model list of a folder: for each file whose name ends with "IR.ini"
// (ignoring case), in the order the directory listing gives them, the name
// before the first "IR.ini". Empty when the folder cannot be read.
std::vector<std::string> DiscoverModels(const std::string& folder);

// An item of the model list and the folder its device file is read from.
struct ModelSource {
    std::string name;
    std::string folder;
};

// The model list over the program's folder and the user's own folder: the
// program folder's models as DiscoverModels lists them, then the user
// folder's models whose names (ignoring case) are not listed yet. A model
// found in both keeps its place among the program folder's models and is
// read from the user's folder, so a user can override a shipped model. An
// empty or unreadable user folder adds nothing.
std::vector<ModelSource> ListModels(const std::string& programFolder,
                                    const std::string& userFolder);

// The folder of the first model named name (ignoring case); fallback when
// the list has none.
std::string ModelFolder(const std::vector<ModelSource>& models, std::string_view name,
                        const std::string& fallback);

}  // namespace kestrel
