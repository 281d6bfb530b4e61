// The protocol record and the form notation.
//
// A form lists, left to right and separated by commas, what one code
// consists of:
//   [2600 -2600]  a raw span: durations in microseconds (marks positive,
//                 spaces negative), "^N" pads the frame to N, "#N" sets a
//                 duration that starts a new frame, a label gives its value
//   D:8, -f:8     a field: an optional "-" or "~" (inverted), a label or a
//                 number, a colon and the number of bits sent
//   R_ R* _ * x}  reserved items, which send nothing
// Cutting a form into items is done once per form text and kept until the
// defines table changes; what depends on a request is looked up per request.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "generator/defines.h"

namespace kestrel {

// A mark and a space of a bit symbol, in microseconds (space negative).
struct SymbolPair {
    int32_t mark = 0;
    int32_t space = 0;
};

// Bit symbol timings as a protocol gives them, in single precision.
struct BitTimings {
    struct Pair {
        float mark = 0;
        float space = 0;
    };
    std::vector<Pair> one;  // the pairs a 1 bit sends, in order
    std::vector<Pair> zero;
};

struct ProtocolRecord {
    std::string Name;
    std::string Form;  // the current form, read by the encoder
    std::string FormDiscrete;
    std::string FormValueText;
    std::string FormRemote;
    int32_t CarrierHz = 0;
    // A raw duration below this in magnitude is a count of units.
    int16_t TimeUnit = 0;
    std::vector<SymbolPair> OneSymbol;  // the pairs a 1 bit sends, in order
    std::vector<SymbolPair> ZeroSymbol;
    bool MsbFirst = false;  // the most significant bit first; else the least
};

// The record's three forms.
enum class BuiltInForm { Discrete, ValueText, Remote };

// A built-in form: the word kestrel-gen names it by, and the record's member
// that holds its text.
struct BuiltInFormRow {
    BuiltInForm form;
    const char* word;
    std::string ProtocolRecord::*text;
};
// The built-in forms, in the order of BuiltInForm.
inline constexpr BuiltInFormRow kBuiltInForms[] = {
    {BuiltInForm::Discrete, "discrete", &ProtocolRecord::FormDiscrete},
    {BuiltInForm::ValueText, "valuetext", &ProtocolRecord::FormValueText},
    {BuiltInForm::Remote, "remote", &ProtocolRecord::FormRemote},
};

const char* FormWord(BuiltInForm form);
// The form a word names (ignoring case); none for any other text.
std::optional<BuiltInForm> FormNamed(std::string_view word);
const std::string& FormText(const ProtocolRecord& protocol, BuiltInForm form);
// The forms' words, separated by ", ".
std::string FormWords();

// The one protocol the program carries, with its bit symbols set.
ProtocolRecord BuiltInProtocol();
// The DEFINES directives of the built-in protocol, in order.
inline constexpr const char* kBuiltInDirectives[] = {"E=Checksum", "V=Value"};

// Sets the bit symbols (rounded halves to even) and the time unit 1.
void SetBitSymbols(ProtocolRecord& protocol, const BitTimings& timings);

// One token of a raw span.
struct RawToken {
    enum class Type { Pad, Set, Number, Label };
    Type type = Type::Label;
    std::string text;                // as written (for labels and messages)
    double number = 0;               // N of a pad or set duration, or the number
    std::optional<int32_t> whole;    // number rounded halves to even, if it fits
    DefineIndex define = kNoDefine;  // a label's define
};

// One item of a form.
struct FormItem {
    enum class Type { Raw, Literal, Label };
    Type type = Type::Label;
    bool invert = false;
    std::string label;               // the field's label, or a literal's text
    DefineIndex define = kNoDefine;  // the label's define
    std::optional<int32_t> literal;  // a literal's leading number rounded, if it fits
    std::string widthText;           // empty when the item has no colon
    std::optional<int16_t> width;    // widthText's leading number rounded, if it fits
    std::vector<RawToken> raw;
};

using ParsedForm = std::vector<FormItem>;

// A raw span's text (without brackets) cut into tokens.
std::vector<RawToken> CutRawSpan(std::string span, const DefineTable& defines);
// A form text cut into items.
ParsedForm CutForm(const std::string& form, const DefineTable& defines);

// The names a form uses that stand for a define, upper case, in order (a
// leading "-" or "+" of a field name dropped, "~" kept): field names that
// are not numbers and bare items that are not reserved.
std::vector<std::string> FormNames(const std::string& form);

// Forms already cut, valid while the defines table stays unchanged.
class FormCache {
  public:
    const ParsedForm& Cut(const std::string& form, const DefineTable& defines);

  private:
    static constexpr size_t kMaxForms = 256;
    std::unordered_map<std::string, ParsedForm> forms_;  // nodes stay in place
    const std::pair<const std::string, ParsedForm>* last_ = nullptr;
    uint64_t version_ = 0;
};

}  // namespace kestrel
