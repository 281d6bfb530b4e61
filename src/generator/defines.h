// The defines table: what the names of a protocol's forms stand for. Each
// define binds an upper-case label to a definition text (a number, an
// expression, a raw span, a frame time, or one of the words DEVICE,
// FUNCTION, EXTENSION, VALUE and CHECKSUM) and records the define's kind,
// worked out once from the definition. Records are indexed from 0; a failed
// lookup gives kNoDefine, whose kind is None and whose value is 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace kestrel {

// Whether a number of a raw span counts the protocol's time units: it does
// below the unit in magnitude; any other is microseconds already.
template <typename Number>
bool CountsTimeUnits(Number value, int64_t timeUnit) {
    return (value < 0 ? -value : value) < timeUnit;
}

// A number of a raw span in microseconds.
template <typename Number>
Number DurationInMicros(Number value, int64_t timeUnit) {
    return CountsTimeUnits(value, timeUnit) ? value * timeUnit : value;
}

// The kind codes are part of the "type=" message of the field encoder.
enum class DefineKind : int16_t {
    None = 0,          // no define
    Number = 1,        // a numeric text; also every name registered from a form
    ConstExpr = 2,     // an expression that mentions no field label
    FieldExpr = 3,     // an expression that mentions a label of kind FieldExpr or Field
    Field = 4,         // DEVICE, FUNCTION or EXTENSION
    Raw = 5,           // a raw span "[...]"
    FrameTime = 6,     // "^N": pads the frame to N microseconds
    ValueText = 7,     // VALUE: each character of the value text is sent
    Checksum = 8,      // CHECKSUM: the low byte of the sum of the fields before it
    CheckedField = 9,  // the device label when a checksum define exists at set-up
};

// Kinds whose value the evaluator works out and the encoder sends as bits.
constexpr bool IsNumericKind(DefineKind kind) {
    return kind == DefineKind::Number || kind == DefineKind::ConstExpr ||
           kind == DefineKind::FieldExpr || kind == DefineKind::Field ||
           kind == DefineKind::CheckedField;
}

// What a definition stands for in a request, by its text (ignoring case).
enum class DefineRole { Other, Device, Function, Value, Extension, Checksum };
DefineRole RoleOf(std::string_view definition);

struct DefineRecord {
    std::string Label;       // upper case
    std::string Definition;  // case kept; a raw span without its brackets
    double Value = 0;        // a number's value, a frame time, or the request's value
    std::string Text;        // the request's value text (VALUE defines)
    DefineKind Kind = DefineKind::None;
    DefineRole Role = DefineRole::Other;  // follows Definition
};

using DefineIndex = int16_t;  // at most kMaxDefines records
inline constexpr DefineIndex kNoDefine = -1;

class DefineTable {
  public:
    static constexpr size_t kMaxDefines = 32767;

    // Empties the table.
    void Clear();

    // The DEFINES directive: a label, then " AS " or "=", then the
    // definition. A label already defined is refused unless replace is
    // set; then that define is reused in place. A refused directive leaves
    // the table unchanged. The directive is consumed: afterwards it holds
    // the definition part. timeUnit scales the small numbers of raw spans.
    Status AddDefine(std::string& directive, bool replace, int16_t timeUnit);

    // A raw span without brackets with its blanks collapsed and numbers
    // below timeUnit in magnitude multiplied by it.
    static std::string NormaliseSpan(std::string span, int16_t timeUnit);

    // The first define whose label equals label ignoring case; kNoDefine
    // when there is none.
    DefineIndex FindLabel(std::string_view label) const;

    // Appends a define as given, without classifying it.
    void Append(std::string label, std::string definition, double value, DefineKind kind);
    // Gives the define at index a new definition and kind.
    void Redefine(DefineIndex index, std::string definition, DefineKind kind);
    bool HasRole(DefineRole role) const;

    // The request-derived fields, rewritten for every code.
    void SetValue(DefineIndex index, double value) { records_[index].Value = value; }
    void SetText(DefineIndex index, const std::string& text) { records_[index].Text = text; }
    // The first define whose definition is CHECKSUM; kNoDefine when none.
    DefineIndex ChecksumIndex() const { return checksum_; }

    size_t size() const { return records_.size(); }
    const DefineRecord& operator[](DefineIndex index) const { return records_[index]; }
    std::vector<DefineRecord>::const_iterator begin() const { return records_.begin(); }
    std::vector<DefineRecord>::const_iterator end() const { return records_.end(); }
    // The kind and value at index, None and 0 for kNoDefine.
    DefineKind KindAt(DefineIndex index) const {
        return index == kNoDefine ? DefineKind::None : records_[index].Kind;
    }
    double ValueAt(DefineIndex index) const {
        return index == kNoDefine ? 0.0 : records_[index].Value;
    }

    // Changes whenever a label, definition or kind changes (not a value),
    // so that what was worked out from the table can be kept until then.
    uint64_t Version() const { return version_; }

  private:
    // The kind of the define at index from its definition; may rewrite its
    // value (numbers, frame times) and definition (raw spans).
    DefineKind ClassifyDefine(DefineIndex index, int16_t timeUnit);
    void SetDefinition(DefineIndex index, std::string definition);
    void Changed();

    std::vector<DefineRecord> records_;
    DefineIndex checksum_ = kNoDefine;
    uint64_t version_ = 0;
};

}  // namespace kestrel
