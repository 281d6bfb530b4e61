// The command catalogue of one video-processor model and the loader of its
// device description file ("<Model>IR.ini").
//
// File format (8-bit text; a line ends at CR, CR LF or a lone LF):
//   [SYSTEM]        MODEL, FIRMWARE / CURRENTFIRMWARE, OPTIONS / OPTION, ALLOWMANUAL
//   [COMMANDS]      Name = FunctionCode; Enumeration; (code)Label, (code)Label ...
//                   Name = FunctionCode; Integer; Min..Max
//                   Name = FunctionCode; Real; Min..Max
//                   Name = FunctionCode; Query        (any other type: not sent by IR)
//   [REMOTECODES]   Button = Code
// An apostrophe starts a comment. A name may carry a qualifier group before
// the "=": Name(M:model, M:~model, F:firmware, O:option, O:~option) = ...
// limiting the line to some models, firmware levels or options. The model
// "Vorta" stands for the whole product line.
//
// Nothing is reset at the start of a load: a table is emptied only by its
// own header, and the settings change only through the lines that set them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/lines.h"
#include "base/result.h"

namespace kestrel {

class SubstringIndex;

// Largest number of entries of a table (indexes are 16-bit).
inline constexpr int kMaxTableEntries = 32767;

struct ValueRange {
    std::string Min;
    std::string Max;
};

struct EnumValue {
    int16_t Code = 0;
    std::string Label;
};

struct CommandEntry {
    std::string Name;
    std::string FunctionCode;  // hexadecimal digits as written in the file
    ValueRange Range;
    bool IsInteger = false;
    bool HasRange = false;  // a number within Range (integer and real commands)
    bool IsEnumeration = false;
    // The value choices in list order: choice j (counted from 1) is Values[j - 1].
    std::vector<EnumValue> Values;
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

// Sections of the device file; None before the first known header.
enum class Section { None, System, Commands, RemoteCodes };

class Catalogue {
  public:
    Catalogue();
    ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    // Loads folder/fileName into the tables and settings. A file that cannot
    // be read is refused with "There is no INI file named <fileName>, one is
    // required", and nothing changes.
    Status LoadDeviceFile(const std::string& folder, const std::string& fileName);
    // Loads the text of a device file (the reading loop of LoadDeviceFile).
    void LoadDeviceText(std::string_view text);

    // Applies the qualifier group of an assignment line. Returns section when
    // the line is an assignment for the current model (the group is then cut
    // out of line), None when it is no assignment, the group rejects the
    // model, or the group is not closed before the "=".
    Section QualifyLine(std::string& line, Section section);

    // Index (from 1) of the command whose Name equals name ignoring case; 0
    // when there is none.
    int16_t getETindex(std::string_view name) const;
    // Index (from 1) of the remote button with that name ignoring case; 0
    // when there is none.
    int16_t RemoteIndex(std::string_view name) const;

    int16_t CommandCount() const { return static_cast<int16_t>(commands_.size()); }
    int16_t RemoteCount() const { return static_cast<int16_t>(remoteCodes_.size()); }
    // Entry at index (from 1); index 0 or any index outside the table gives
    // a blank entry, so a failed lookup reads harmlessly.
    const CommandEntry& Command(int index) const;
    const RemoteEntry& Remote(int index) const;
    // The tables in order: entry k (from 1) is element k - 1.
    const std::vector<CommandEntry>& Commands() const { return commands_; }
    const std::vector<RemoteEntry>& RemoteCodes() const { return remoteCodes_; }

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
    bool QualifierPasses(std::string_view qualifier);
    bool OptionsContain(std::string_view option);
    void SystemLine(std::string_view line);
    void CommandLine(std::string_view line);
    void RemoteLine(std::string_view line);
    void NoteRemoteCode(const std::string& code);
    void Note(LineNote::Kind kind, std::string text);

    std::vector<CommandEntry> commands_;
    std::vector<RemoteEntry> remoteCodes_;
    // The line of each entry's first definition in the load that made it.
    std::vector<int64_t> commandLines_;
    std::vector<int64_t> remoteLines_;
    // Name (ASCII upper case) -> index from 1; rebuilt with its table.
    std::unordered_map<std::string, int16_t> commandIndex_;
    std::unordered_map<std::string, int16_t> remoteIndex_;
    int64_t currentLine_ = 0;     // the line being loaded, for OnLineNote
    bool lineQualified_ = false;  // the line had a qualifier group

    // What the qualifiers of a load compare with, worked out when the
    // setting changes instead of at every qualifier: a device file may hold
    // a firmware or options text of megabytes and hundreds of thousands of
    // qualifiers. Kept only while a load runs (loads may nest through
    // ProcessEvents); outside one the settings are read directly.
    int loadDepth_ = 0;
    double firmwareNumber_ = 0;                     // LeadingNumber(ModelFirmware)
    std::unique_ptr<SubstringIndex> optionsIndex_;  // of ModelOptions; made when first asked
};

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
