// The naming index of one model's catalogue: which entries make a code with
// given decoded fields.
//
// Built once per catalogue. Every value of an enumeration command and every
// remote button has its code made once, through the same routines as the
// window's clicks, and is keyed by the fields the code decodes to (form,
// device, function or value text). A range command is kept by its device
// code: a value text within its range is an entry, its code made when it is
// looked up. When the file allows the Manual mode, every function code of
// its commands (queries too) may be sent with any value: such a code is an
// entry of the model too, named only when no command value or button of
// the model makes it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "catalogue/catalogue.h"
#include "generator/decoder.h"
#include "session/fields.h"
#include "util/notice.h"

namespace kestrel {

class Generator;
class Outcome;

// A catalogue entry that makes a code, with the catalogue's own code for it.
struct CatalogueEntry {
    enum class Kind {
        Value,   // Discrete mode: a value of an enumeration command
        Range,   // Discrete mode: a value typed into a range command's panel
        Remote,  // Remote mode: a button
        Manual,  // Manual mode: a command's function code and a value typed
    };
    Kind kind = Kind::Value;
    std::string model;    // as the model list names it
    std::string command;  // the command's name, or the button's
    // Value: the choice's label; Range: the value text; Manual: the value
    // as typed with valueKind. Empty for a button.
    std::string value;
    int choice = 0;  // Value: the choice's position in the value list, from 0
    // Manual: the function code typed, in decimal, and the value-kind option.
    std::string functionCode;
    ValueKindOption valueKind = ValueKindOption::Value;
    std::string code;  // the Pronto text the window makes for the entry

    // "Tessel10: Power = On", "Tessel10: remote Up", "Tessel10: Brightness =
    // 50", "Tessel10: manual code 64 (Status), value "1"".
    std::string Name() const;
};

// An entry whose fields lie near a code's, and how many bits differ.
struct NearEntry {
    const CatalogueEntry* entry = nullptr;
    int bits = 0;
};

class CatalogueIndex {
  public:
    // Indexes the catalogue under model. The codes are made with generator
    // (set up), which a lookup uses again; what the request routines report
    // on the way is appended to notices, in order.
    CatalogueIndex(std::string model, std::unique_ptr<const Catalogue> catalogue,
                   Generator& generator, std::vector<Notice>& notices);
    ~CatalogueIndex();

    const std::string& Model() const { return model_; }
    const Catalogue& Loaded() const { return *catalogue_; }
    // The entries whose codes were made while indexing.
    size_t Size() const { return entries_.size(); }

    // Appends every entry that makes a code with one of the decoded fields
    // (a code may follow several forms); each entry once. What the request
    // routines report while range and manual codes are made is appended to
    // notices.
    void Lookup(const std::vector<DecodedCode>& decoded, std::vector<CatalogueEntry>& out,
                std::vector<Notice>& notices);
    // Adds to near the indexed entries whose fields differ least from one
    // of the decoded fields of the same form, keeping the limit nearest.
    void Nearest(const std::vector<DecodedCode>& decoded, size_t limit,
                 std::vector<NearEntry>& near) const;

  private:
    // A range command, or a command whose function code the Manual mode
    // sends, and the device field of its codes.
    struct CommandDevice {
        size_t index;  // in the catalogue, from 0
        uint32_t device;
    };
    void Index(CatalogueEntry entry);
    std::vector<DecodedCode> Decode(const std::string& code) const;
    std::string ManualCode(FieldRecord& fields, const std::string& code, const std::string& value,
                           ValueKindOption kind, std::vector<Notice>& notices);
    void AddRange(const DecodedCode& decoded, std::vector<CatalogueEntry>& out,
                  std::vector<Notice>& notices);
    void AddManual(const std::vector<DecodedCode>& decoded, std::vector<CatalogueEntry>& out,
                   std::vector<Notice>& notices);

    std::string model_;
    std::unique_ptr<const Catalogue> catalogue_;
    Generator& generator_;
    std::vector<CatalogueEntry> entries_;
    std::vector<std::vector<DecodedCode>> fields_;  // of each entry's code
    std::unordered_map<std::string, std::vector<size_t>> byFields_;
    std::vector<CommandDevice> ranges_;
    std::vector<CommandDevice> manual_;
};

}  // namespace kestrel
