#include "catalogue/catalogue.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

#include "catalogue/field_cursor.h"
#include "catalogue/file_formats.h"
#include "util/hex.h"
#include "util/numbers.h"
#include "util/substring_index.h"
#include "util/text.h"

namespace kestrel {
namespace {

const CommandEntry kBlankCommand{};
const RemoteEntry kBlankRemote{};

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (!error) text.reserve(static_cast<size_t>(size));
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
    }
    return !in.bad();
}

// A text quoted for a line note: at most 60 bytes of it, control
// characters written as \xHH, "..." after the quotes when it is longer.
std::string Quoted(std::string_view text) {
    constexpr size_t kShown = 60;
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (size_t i = 0; i < text.size() && i < kShown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += kDigits[c >> 4];
            out += kDigits[c & 15];
        } else {
            out += text[i];
        }
    }
    out += '"';
    if (text.size() > kShown) out += "...";
    return out;
}

std::string SectionName(Section section) {
    switch (section) {
        case Section::System:
            return "[SYSTEM]";
        case Section::Commands:
            return "[COMMANDS]";
        case Section::RemoteCodes:
            return "[REMOTECODES]";
        case Section::None:
            break;
    }
    return "no section";
}

}  // namespace

std::string DeviceFilePath(const std::string& folder, const std::string& fileName) {
    const std::string path = folder + "/" + fileName;
    if (FileExists(path)) return path;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (EqualsNoCase(name, fileName) && it->is_regular_file(typeError)) {
            return folder + "/" + name;
        }
    }
    return path;
}

const CommandEntry& Catalogue::Command(size_t index) const {
    return index < commands_.size() ? commands_[index] : kBlankCommand;
}

const RemoteEntry& Catalogue::Remote(size_t index) const {
    return index < remoteCodes_.size() ? remoteCodes_[index] : kBlankRemote;
}

std::optional<size_t> Catalogue::FindCommand(std::string_view name) const {
    const auto found = commandIndex_.find(UpperCase(name));
    if (found == commandIndex_.end()) return std::nullopt;
    return found->second;
}

std::optional<size_t> Catalogue::FindRemote(std::string_view name) const {
    const auto found = remoteIndex_.find(UpperCase(name));
    if (found == remoteIndex_.end()) return std::nullopt;
    return found->second;
}

const CommandEntry& Catalogue::CommandNamed(std::string_view name) const {
    const std::optional<size_t> index = FindCommand(name);
    return index ? commands_[*index] : kBlankCommand;
}

Result<std::string> ReadDeviceFileText(const std::string& folder, const std::string& fileName) {
    const std::string path = DeviceFilePath(folder, fileName);
    std::string text;
    if (!FileExists(path) || !ReadWholeFile(path, text)) {
        return Refused("There is no INI file named " + fileName + ", one is required");
    }
    return text;
}

Status Catalogue::LoadDeviceFile(const std::string& folder, const std::string& fileName) {
    const Result<std::string> text = ReadDeviceFileText(folder, fileName);
    if (!text) return Refused(text.reason());
    LoadDeviceText(*text);
    return {};
}

void Catalogue::Note(LineNote::Kind kind, std::string text) {
    static constexpr const char* kWords[] = {
        "skipped: ", "ignored: ", "kept: ", "dropped: ", "warning: "};
    OnLineNote({kind, currentLine_, kWords[static_cast<int>(kind)] + std::move(text)});
}

void Catalogue::LoadDeviceText(std::string_view text) {
    {
        Loader loader(*this);
        ReadDeviceFile(text, loader);
    }
    TextIsUtf8 = IsValidUtf8(text);
}

// A load nested through ProcessEvents leaves the outer load's line as it
// found it.
Catalogue::Loader::Loader(Catalogue& catalogue)
    : catalogue_(catalogue), outerLine_(catalogue.currentLine_) {
    ++catalogue_.loadDepth_;
    catalogue_.firmwareNumber_ = LeadingNumber(catalogue_.ModelFirmware);
    catalogue_.optionsIndex_.reset();
}

Catalogue::Loader::~Loader() {
    --catalogue_.loadDepth_;
    catalogue_.currentLine_ = outerLine_;
}

void Catalogue::Loader::OnSection(Section section, int64_t line) {
    Catalogue& c = catalogue_;
    c.currentLine_ = line;
    if (section == Section::Commands) {
        c.commands_.clear();
        c.commandLines_.clear();
        std::unordered_map<std::string, size_t>().swap(c.commandIndex_);
    } else if (section == Section::RemoteCodes) {
        c.remoteCodes_.clear();
        c.remoteLines_.clear();
        std::unordered_map<std::string, size_t>().swap(c.remoteIndex_);
    }
}

void Catalogue::Loader::OnUnknownHeader(std::string_view header, Section section, int64_t line) {
    catalogue_.currentLine_ = line;
    if (!catalogue_.OnLineNote) return;
    catalogue_.Note(LineNote::Kind::Ignored, "unknown header " + Quoted(header) +
                                                 "; the lines after it stay in " +
                                                 SectionName(section));
}

void Catalogue::Loader::OnUnreadable(LineProblem problem, Section section, int64_t line) {
    catalogue_.currentLine_ = line;
    if (!catalogue_.OnLineNote) return;
    if (section == Section::None) {
        catalogue_.Note(LineNote::Kind::Ignored, "the line comes before any section header");
    } else if (problem == LineProblem::NoEquals) {
        catalogue_.Note(LineNote::Kind::Ignored, "the line has no \"=\"");
    } else {
        catalogue_.Note(LineNote::Kind::Skipped,
                        "the qualifier group is not closed before the \"=\"");
    }
}

void Catalogue::Loader::OnEntry(const DeviceFileEntry& entry) {
    Catalogue& c = catalogue_;
    c.currentLine_ = entry.line;
    // Lines outside a section are noted for that alone.
    const bool noting = c.OnLineNote && entry.section != Section::None;
    c.lineQualified_ = entry.group && !entry.group->text.empty();
    const bool applies = !entry.group || c.GroupPasses(*entry.group, noting);
    switch (entry.section) {
        case Section::None:
            if (c.OnLineNote) {
                c.Note(LineNote::Kind::Ignored, "the line comes before any section header");
            }
            break;
        case Section::System:
            if (applies) c.SystemLine(entry.name, entry.value);
            break;
        case Section::Commands:
            if (applies) c.CommandLine(entry.name, entry.value);
            break;
        case Section::RemoteCodes:
            if (applies) c.RemoteLine(entry.name, entry.value);
            break;
    }
}

bool Catalogue::GroupPasses(const QualifierGroup& group, bool noting) {
    for (const Qualifier& qualifier : group.items) {
        if (ProcessEvents) ProcessEvents();
        if (!QualifierPasses(qualifier)) {
            if (noting) {
                const std::string setting = qualifier.kind == Qualifier::Kind::Model
                                                ? "model " + Quoted(ModelName)
                                            : qualifier.kind == Qualifier::Kind::Firmware
                                                ? "firmware " + Quoted(ModelFirmware)
                                                : "options " + Quoted(ModelOptions);
                Note(LineNote::Kind::Dropped,
                     "the qualifier " + Quoted(qualifier.text) + " fails for " + setting);
            }
            return false;
        }
    }
    if (noting) {
        Note(LineNote::Kind::Kept, group.text.empty()
                                       ? std::string("the qualifier group is empty")
                                       : "every qualifier of " + Quoted(group.text) + " passes");
    }
    return true;
}

Catalogue::Catalogue() = default;
Catalogue::~Catalogue() = default;

bool Catalogue::OptionsContain(std::string_view option) {
    if (loadDepth_ == 0 || ModelOptions.size() > SubstringIndex::kMaxLength)
        return ContainsNoCase(ModelOptions, option);
    if (!optionsIndex_) optionsIndex_ = std::make_unique<SubstringIndex>(ModelOptions);
    return optionsIndex_->Contains(option);
}

bool Catalogue::QualifierPasses(const Qualifier& qualifier) {
    switch (qualifier.kind) {
        case Qualifier::Kind::Model: {
            const bool named =
                EqualsNoCase(ModelName, qualifier.word) || EqualsNoCase(ModelName, "Vorta");
            return qualifier.negated ? !named : named;
        }
        case Qualifier::Kind::Firmware:
            // Needs at least this firmware; every level applies while the
            // model's firmware is not known.
            if (ModelFirmware.empty()) return true;
            return !(LeadingNumber(qualifier.word) >
                     (loadDepth_ > 0 ? firmwareNumber_ : LeadingNumber(ModelFirmware)));
        case Qualifier::Kind::Option: {
            const bool found = OptionsContain(qualifier.word);
            return qualifier.negated ? !found : found;
        }
        case Qualifier::Kind::Other:
            break;
    }
    return true;
}

void Catalogue::SystemLine(std::string_view written, std::string_view value) {
    const std::string key = SqueezeUpper(written);
    if (key == "ALLOWMANUAL") {
        AllowManual = UpperCase(value) == "TRUE";
        if (OnLineNote && !AllowManual && UpperCase(value) != "FALSE") {
            Note(LineNote::Kind::Warning, "ALLOWMANUAL " + Quoted(value) +
                                              " is neither TRUE nor FALSE; the Manual mode is "
                                              "disabled");
        }
    } else if (key == "OPTIONS" || key == "OPTION") {
        ModelOptions = EqualsNoCase(value, "None") ? std::string() : UpperCase(value);
        optionsIndex_.reset();
    } else if (key == "MODEL") {
        std::string_view model = value;
        if (!model.empty() && model[0] == '*') model = TrimBlanks(model.substr(1));
        ModelName = std::string(model);
    } else if (key == "CURRENTFIRMWARE" || key == "FIRMWARE") {
        ModelFirmware = std::string(value);
        firmwareNumber_ = LeadingNumber(ModelFirmware);
        if (OnLineNote && !IsNumericText(value)) {
            Note(LineNote::Kind::Warning, "the firmware " + Quoted(value) +
                                              " is not a number; F: qualifiers read it as " +
                                              ShortestDecimal(firmwareNumber_));
        }
    } else if (OnLineNote) {
        Note(LineNote::Kind::Ignored, "unknown key " + Quoted(written) + " in [SYSTEM]");
    }
}

void Catalogue::CommandLine(std::string_view written, std::string_view value) {
    std::string name(written);
    FieldCursor fields(value);
    std::string functionCode = fields.Next(";");
    const std::string type = fields.Next(";");
    const std::string_view data = fields.Rest();

    // Everything is checked before anything is stored: a line that breaks a
    // limit of the format leaves the catalogue as it was.
    if (!ParseHexInt32(functionCode)) {
        if (OnLineNote) {
            Note(LineNote::Kind::Skipped,
                 "the function code " + Quoted(functionCode) + " does not fit 32 bits");
        }
        return;
    }
    std::string key = UpperCase(name);
    const auto known = commandIndex_.find(key);
    if (known == commandIndex_.end() && commands_.size() >= kMaxTableEntries) {
        if (OnLineNote) {
            Note(LineNote::Kind::Skipped, "the command table already holds " +
                                              std::to_string(kMaxTableEntries) + " entries");
        }
        return;
    }
    // What the line loads although its writer hardly meant it; noted only
    // when nothing of the line is skipped.
    std::vector<std::string> warnings;
    const auto warn = [&](std::string text) {
        if (OnLineNote) warnings.push_back(std::move(text));
    };
    if (functionCode.empty() || functionCode.size() > 2 || !IsHexDigits(functionCode)) {
        warn("the function code " + Quoted(functionCode) +
             " is not one or two hexadecimal digits; codes are sent for device 0x" +
             UpperCase(ToHex(*ParseHexInt32(functionCode) & 0xFF, 2)) +
             (functionCode.size() == 1 || functionCode.size() == 2
                  ? std::string()
                  : ", and Gen ALL's captions give 0 (\"Illegal call to Hex2Int\")"));
    }
    if (known != commandIndex_.end() && !lineQualified_) {
        warn("the command " + Quoted(name) + " of line " +
             std::to_string(commandLines_[known->second]) +
             " is defined again; this line replaces it");
    }
    enum class Kind { Enumeration, Range, Other } kind = Kind::Other;
    std::vector<EnumValue> values;
    ValueRange range;
    if (EqualsNoCase(type, "Enumeration")) {
        kind = Kind::Enumeration;
        FieldCursor items(data);
        while (!items.Empty()) {
            const std::string item = items.Next(",");
            FieldCursor parts(item);
            const std::string codeText = parts.Next(")");
            // The code text's first character is the item's "(".
            const double number =
                LeadingNumber(std::string_view(codeText).substr(codeText.empty() ? 0 : 1));
            int16_t code = 0;
            if (!RoundToInt16(number, code)) {
                if (OnLineNote) {
                    Note(LineNote::Kind::Skipped,
                         "the enumeration code " +
                             Quoted(std::string_view(codeText).substr(codeText.empty() ? 0 : 1)) +
                             " is outside -32768..32767");
                }
                return;
            }
            if (values.size() >= kMaxTableEntries) {
                if (OnLineNote) {
                    Note(LineNote::Kind::Skipped, "the enumeration has more than " +
                                                      std::to_string(kMaxTableEntries) + " values");
                }
                return;
            }
            if (item.find(')') == std::string::npos || codeText.empty() || codeText[0] != '(' ||
                !IsNumericText(std::string_view(codeText).substr(1))) {
                warn("the enumeration item " + Quoted(item) +
                     " is not \"(code)label\"; it becomes code " + std::to_string(code) +
                     " labelled " + Quoted(parts.Rest()));
            }
            values.push_back({code, std::string(parts.Rest())});
        }
    } else if (EqualsNoCase(type, "Integer") || EqualsNoCase(type, "Real")) {
        kind = Kind::Range;
        std::string_view text = data;
        if (!text.empty() && text.back() == ';') text.remove_suffix(1);
        const size_t dots = text.find("..");
        if (dots == std::string_view::npos) {
            if (OnLineNote) {
                Note(LineNote::Kind::Skipped, "the range " + Quoted(text) + " has no \"..\"");
            }
            return;
        }
        range.Min = std::string(TrimBlanks(text.substr(0, dots)));
        range.Max = std::string(TrimBlanks(text.substr(dots + 2)));
        double low = 0, high = 0;
        for (const std::string* bound : {&range.Min, &range.Max}) {
            if (!IsNumericText(*bound, bound == &range.Min ? &low : &high)) {
                warn("the range bound " + Quoted(*bound) + " is not a number; it reads as " +
                     ShortestDecimal(LeadingNumber(*bound)));
            }
        }
        if (IsNumericText(range.Min) && IsNumericText(range.Max) && low > high) {
            warn("the range " + Quoted(text) +
                 " runs backwards: its minimum is above its maximum, so no value is within it");
        }
    }

    for (std::string& warning : warnings)
        Note(LineNote::Kind::Warning, std::move(warning));
    CommandEntry* entry = nullptr;
    if (known != commandIndex_.end()) {
        entry = &commands_[known->second];
    } else {
        commands_.emplace_back();
        commandLines_.push_back(currentLine_);
        entry = &commands_.back();
        commandIndex_.emplace(std::move(key), commands_.size() - 1);
    }
    entry->Name = std::move(name);
    entry->FunctionCode = std::move(functionCode);
    // A line of one kind over a command of another keeps what it does not
    // replace (see ValueKind).
    bool enumeration = entry->IsEnumeration();
    bool ranged = entry->HasRange();
    bool integer = entry->IsInteger();
    if (kind == Kind::Enumeration) {
        entry->Values = std::move(values);
        enumeration = true;
    } else if (kind == Kind::Range) {
        integer = EqualsNoCase(type, "Integer");
        entry->Range = std::move(range);
        ranged = true;
    }
    entry->Kind = !ranged ? (enumeration ? ValueKind::Enumeration : ValueKind::Other)
                  : enumeration
                      ? (integer ? ValueKind::EnumerationAndInteger : ValueKind::EnumerationAndReal)
                  : integer ? ValueKind::Integer
                            : ValueKind::Real;
}

void Catalogue::RemoteLine(std::string_view written, std::string_view value) {
    std::string name(written);
    std::string key = UpperCase(name);
    const auto known = remoteIndex_.find(key);
    RemoteEntry* entry = nullptr;
    if (known != remoteIndex_.end()) {
        entry = &remoteCodes_[known->second];
        if (OnLineNote && !lineQualified_) {
            Note(LineNote::Kind::Warning, "the button " + Quoted(name) + " of line " +
                                              std::to_string(remoteLines_[known->second]) +
                                              " is defined again; this line replaces it");
        }
    } else {
        if (remoteCodes_.size() >= kMaxTableEntries) {
            if (OnLineNote) {
                Note(LineNote::Kind::Skipped, "the remote table already holds " +
                                                  std::to_string(kMaxTableEntries) + " entries");
            }
            return;
        }
        remoteCodes_.emplace_back();
        remoteLines_.push_back(currentLine_);
        entry = &remoteCodes_.back();
        remoteIndex_.emplace(std::move(key), remoteCodes_.size() - 1);
    }
    entry->Name = std::move(name);
    entry->Code = std::string(value);
    if (OnLineNote) NoteRemoteCode(entry->Code);
}

// A remote code is sent as the value of the remote form's 8-bit function
// field: its leading number, rounded, in 8 bits.
void Catalogue::NoteRemoteCode(const std::string& code) {
    double number = 0;
    if (IsNumericText(code, &number) && number >= 0 && number <= 255 &&
        number == static_cast<int>(number)) {
        return;
    }
    int32_t sent = 0;
    Note(LineNote::Kind::Warning,
         "the remote code " + Quoted(code) + " is not a whole number from 0 to 255; " +
             (RoundToInt32(LeadingNumber(code), sent)
                  ? "it sends " + std::to_string(static_cast<uint8_t>(sent))
                  : std::string("no code can be made of it")));
}

std::vector<std::string> DiscoverModels(const std::string& folder) {
    std::vector<std::string> models;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    const std::filesystem::directory_iterator end;
    for (; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        const std::string name = it->path().filename().string();
        if (!EndsWithNoCase(name, file_format::kDeviceFileSuffix)) continue;
        models.push_back(name.substr(0, FindNoCase(name, file_format::kDeviceFileSuffix)));
    }
    return models;
}

std::vector<ModelSource> ListModels(const std::string& programFolder,
                                    const std::string& userFolder) {
    std::vector<ModelSource> models;
    for (std::string& name : DiscoverModels(programFolder)) {
        models.push_back({std::move(name), programFolder});
    }
    if (userFolder.empty()) return models;
    const size_t shipped = models.size();
    for (std::string& name : DiscoverModels(userFolder)) {
        bool listed = false;
        for (size_t i = 0; i < models.size(); ++i) {
            if (!EqualsNoCase(models[i].name, name)) continue;
            if (i < shipped) models[i].folder = userFolder;
            listed = true;
        }
        if (!listed) models.push_back({std::move(name), userFolder});
    }
    return models;
}

std::string ModelFolder(const std::vector<ModelSource>& models, std::string_view name,
                        const std::string& fallback) {
    for (const ModelSource& model : models) {
        if (EqualsNoCase(model.name, name)) return model.folder;
    }
    return fallback;
}

}  // namespace kestrel
