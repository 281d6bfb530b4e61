// The defines table.

#include "generator/defines.h"

#include <cmath>

#include "util/numbers.h"
#include "util/text.h"

namespace kestrel {

DefineRole RoleOf(std::string_view definition) {
    if (EqualsNoCase(definition, "DEVICE")) return DefineRole::Device;
    if (EqualsNoCase(definition, "FUNCTION")) return DefineRole::Function;
    if (EqualsNoCase(definition, "VALUE")) return DefineRole::Value;
    if (EqualsNoCase(definition, "EXTENSION")) return DefineRole::Extension;
    if (EqualsNoCase(definition, "CHECKSUM")) return DefineRole::Checksum;
    return DefineRole::Other;
}

void DefineTable::Clear() {
    records_.clear();
    Changed();
}

Status DefineTable::AddDefine(std::string& directive, bool replace, int16_t timeUnit) {
    std::string separator;
    if (ContainsNoCase(directive, " AS ")) {
        separator = " AS ";
    } else if (directive.find('=') != std::string::npos) {
        separator = "=";
    } else {
        return Refused("Badly formed DEFINES directive, '" + directive + "'");
    }
    const std::string label = UpperCase(NextToken(directive, separator, 0));
    DefineIndex index = FindLabel(label);
    if (index != kNoDefine && !replace) {
        return Refused("Duplicate Definition for label " + label);
    }
    if (index == kNoDefine) {
        if (records_.size() >= kMaxDefines) {
            return Refused("Too many defines: the label " + label + " was not added");
        }
        Append(label, "", 0, DefineKind::None);
        index = static_cast<DefineIndex>(records_.size() - 1);
    }
    SetDefinition(index, std::string(TrimBlanks(directive)));
    records_[index].Kind = ClassifyDefine(index, timeUnit);
    Changed();
    return {};
}

DefineKind DefineTable::ClassifyDefine(DefineIndex index, int16_t timeUnit) {
    DefineRecord& define = records_[index];
    switch (define.Role) {
        case DefineRole::Device:
        case DefineRole::Function:
        case DefineRole::Extension:
            return DefineKind::Field;
        case DefineRole::Value:
            return DefineKind::ValueText;
        case DefineRole::Checksum:
            return DefineKind::Checksum;
        case DefineRole::Other:
            break;
    }
    const std::string& d = define.Definition;
    double number = 0;
    if (IsNumericText(d, &number)) {
        define.Value = number;
        return DefineKind::Number;
    }
    if (!d.empty() && d.front() == '[' && d.back() == ']') {
        SetDefinition(index, NormaliseSpan(d.substr(1, d.size() - 2), timeUnit));
        return DefineKind::Raw;
    }
    if (!d.empty() && d.front() == '^') {
        define.Value = LeadingNumber(std::string_view(d).substr(1));
        return DefineKind::FrameTime;
    }
    // An expression mentioning a field label (a one-letter label of kind
    // FieldExpr or Field) depends on the request. The digits of a number,
    // also those after "0X", are skipped; a hexadecimal letter after them is
    // read as a label.
    const std::string upper = UpperCase(d);
    for (size_t i = 0; i < upper.size(); ++i) {
        const char c = upper[i];
        if (IsDigit(c)) {
            if (c == '0' && i + 1 < upper.size() && upper[i + 1] == 'X') ++i;
            while (i + 1 < upper.size() && IsDigit(upper[i + 1]))
                ++i;
        } else if (IsUpperLetter(c)) {
            const DefineKind kind = KindAt(FindLabel(std::string_view(&upper[i], 1)));
            if (kind == DefineKind::FieldExpr || kind == DefineKind::Field) {
                return DefineKind::FieldExpr;
            }
        }
    }
    return DefineKind::ConstExpr;
}

std::string DefineTable::NormaliseSpan(std::string span, int16_t timeUnit) {
    std::string result;
    while (!span.empty()) {
        std::string token = NextToken(span, " ", 0);
        double number = 0;
        if (IsNumericText(token, &number) && CountsTimeUnits(number, timeUnit)) {
            token = ShortestDecimal(number * timeUnit);
        }
        result += token;
        result += ' ';
    }
    if (!result.empty()) result.pop_back();
    return result;
}

DefineIndex DefineTable::FindLabel(std::string_view label) const {
    for (size_t i = 0; i < records_.size(); ++i) {
        if (EqualsNoCase(records_[i].Label, label)) return static_cast<DefineIndex>(i);
    }
    return kNoDefine;
}

void DefineTable::Append(std::string label, std::string definition, double value, DefineKind kind) {
    DefineRecord record;
    record.Label = std::move(label);
    record.Value = value;
    record.Kind = kind;
    records_.push_back(std::move(record));
    SetDefinition(static_cast<DefineIndex>(records_.size() - 1), std::move(definition));
    Changed();
}

void DefineTable::Redefine(DefineIndex index, std::string definition, DefineKind kind) {
    SetDefinition(index, std::move(definition));
    records_[index].Kind = kind;
    Changed();
}

bool DefineTable::HasRole(DefineRole role) const {
    for (const DefineRecord& record : records_) {
        if (record.Role == role) return true;
    }
    return false;
}

void DefineTable::SetDefinition(DefineIndex index, std::string definition) {
    DefineRecord& record = records_[index];
    record.Definition = std::move(definition);
    record.Role = RoleOf(record.Definition);
}

void DefineTable::Changed() {
    checksum_ = kNoDefine;
    for (size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].Role == DefineRole::Checksum) {
            checksum_ = static_cast<DefineIndex>(i);
            break;
        }
    }
    ++version_;
}

}  // namespace kestrel
