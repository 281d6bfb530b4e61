// The built-in protocol and the defines table.

#include <cmath>
#include <cstdint>

#include "generator/form.h"
#include "generator/generator.h"
#include "util/display.h"
#include "util/numbers.h"
#include "util/text.h"

namespace kestrel {
namespace {

// The one protocol the program carries.
constexpr const char* kProtocolName = "DUDAZOR";
constexpr int32_t kCarrierHz = 38380;
constexpr const char* kFormDiscrete = "[2600 -2600],D:8,F:8,E:8,[1760 -1760 560 -25]";
constexpr const char* kFormValueText = "[2600 -2600],D:8,V:8,E:8,[1760 -1760 560 -25]";
constexpr const char* kFormRemote = "[8900 -4425],d:16,f:8,-f:8,[575 -44925 8900 -2200 575 -4425]";
// Pulse-width bit symbols in microseconds: a 1 is 575 mark + 1700 space,
// a 0 is 575 mark + 550 space.
constexpr float kMark = 575, kOneSpace = -1700, kZeroSpace = -550;

constexpr size_t kMaxDefines = 32767;  // indexes are 16-bit

int32_t RoundSymbol(float value) {
    int32_t out = 0;
    // Symbol values beyond 32 bits cannot come from the built-in data.
    if (!RoundToInt32(value, out)) out = 0;
    return out;
}

}  // namespace

Generator::Generator(Display& display) : display_(display) {
    defines_.emplace_back();  // element 0: the blank record no lookup matches
}

Generator::~Generator() = default;

void Generator::SetupProtocol() {
    protocol_.BitOrder = "LSB";
    defines_.assign(1, DefineRecord{});
    DefinesChanged();
    protocol_.Name = kProtocolName;
    protocol_.CarrierHz = kCarrierHz;
    BitTimings timings;
    timings.one[1] = {kMark, kOneSpace};
    timings.zero[1] = {kMark, kZeroSpace};
    std::string directive = "E=Checksum";
    AddDefine(directive, 0);
    directive = "V=Value";
    AddDefine(directive, 0);
    protocol_.FormDiscrete = kFormDiscrete;
    protocol_.FormValueText = kFormValueText;
    protocol_.FormRemote = kFormRemote;
    protocol_.Form = protocol_.FormDiscrete;
    SetBitSymbols(timings);
    PrepareProtocol();
}

void Generator::SetBitSymbols(const BitTimings& timings) {
    protocol_.OneSymbol.resize(timings.one.size());
    protocol_.ZeroSymbol.resize(timings.zero.size());
    protocol_.TimeUnit = 1;
    for (size_t i = 1; i < timings.one.size(); ++i) {
        protocol_.OneSymbol[i] = {RoundSymbol(timings.one[i].mark),
                                  RoundSymbol(timings.one[i].space)};
    }
    for (size_t i = 1; i < timings.zero.size(); ++i) {
        protocol_.ZeroSymbol[i] = {RoundSymbol(timings.zero[i].mark),
                                   RoundSymbol(timings.zero[i].space)};
    }
    DefinesChanged();  // the time unit scales raw numbers of parsed forms
}

void Generator::PrepareProtocol() {
    if (protocol_.Form.empty()) {
        display_.ShowMessage("No form has beeen specified for " + protocol_.Name + " Protocol");
    } else {
        RegisterFormNames(protocol_.Form);
    }
    int device = 0, function = 0, checksum = 0;
    for (size_t i = 1; i < defines_.size(); ++i) {
        const std::string& d = defines_[i].Definition;
        if (EqualsNoCase(d, "DEVICE")) device = static_cast<int>(i);
        if (EqualsNoCase(d, "FUNCTION")) function = static_cast<int>(i);
        if (EqualsNoCase(d, "CHECKSUM")) checksum = static_cast<int>(i);
    }
    const int16_t deviceKind = checksum != 0 ? KindCheckedField : KindField;
    if (device == 0) {
        const int16_t d = FindLabel("D");
        if (d == 0) {
            AppendDefine("D", "DEVICE", 0, deviceKind);
        } else if (EqualsNoCase(defines_[d].Definition, "D")) {
            defines_[d].Definition = "DEVICE";
            defines_[d].Kind = deviceKind;
        }
    }
    if (function == 0) {
        const int16_t f = FindLabel("F");
        if (f == 0) {
            AppendDefine("F", "FUNCTION", 0, KindField);
        } else {
            defines_[f].Definition = "FUNCTION";
            defines_[f].Kind = KindField;
        }
    }
    DefinesChanged();
}

void Generator::RegisterFormNames(const std::string& form) {
    std::string rest = form;
    while (!rest.empty()) {
        std::string item = NextToken(rest, ",", 0);
        std::string name;
        if (item.find(':') != std::string::npos) {
            name = UpperCase(NextToken(item, ":", 0));
            if (!name.empty() && (name[0] == '-' || name[0] == '+')) name.erase(0, 1);
            if (IsNumericText(name) || FindLabel(name) != 0) continue;
        } else {
            if (EqualsNoCase(item, "R_") || EqualsNoCase(item, "R*") || item == "_" ||
                item == "*") {
                continue;
            }
            if (!item.empty() && (item.front() == '[' || item.back() == '}')) continue;
            if (FindLabel(item) != 0) continue;
            name = UpperCase(item);
        }
        AppendDefine(name, name, 0, KindNumber);
    }
}

void Generator::AppendDefine(const std::string& label, const std::string& definition, double value,
                             int16_t kind) {
    DefineRecord record;
    record.Label = label;
    record.Definition = definition;
    record.Value = value;
    record.Kind = kind;
    defines_.push_back(std::move(record));
    DefinesChanged();
}

void Generator::AddDefine(std::string& directive, int16_t replace) {
    std::string separator;
    if (ContainsNoCase(directive, " AS ")) {
        separator = " AS ";
    } else if (directive.find('=') != std::string::npos) {
        separator = "=";
    } else {
        display_.ShowMessage("Badly formed DEFINES directive, '" + directive + "'");
        return;
    }
    const std::string label = UpperCase(NextToken(directive, separator, 0));
    const std::string definition(TrimBlanks(directive));
    int16_t index = FindLabel(label);
    if (index != 0 && replace == 0) {
        display_.ShowMessage("Duplicate Definition for label " + label);
        return;
    }
    if (index == 0) {
        if (defines_.size() > kMaxDefines) {
            display_.ShowMessage("Too many defines: the label " + label + " was not added");
            return;
        }
        AppendDefine(label, "", 0, KindNone);
        index = static_cast<int16_t>(defines_.size() - 1);
    }
    defines_[index].Definition = definition;
    defines_[index].Kind = ClassifyDefine(index);
    DefinesChanged();
}

int16_t Generator::ClassifyDefine(int16_t index) {
    DefineRecord& define = defines_[index];
    const std::string& d = define.Definition;
    if (EqualsNoCase(d, "DEVICE") || EqualsNoCase(d, "FUNCTION") || EqualsNoCase(d, "EXTENSION")) {
        return KindField;
    }
    if (EqualsNoCase(d, "VALUE")) return KindValueText;
    if (EqualsNoCase(d, "CHECKSUM")) return KindChecksum;
    double number = 0;
    if (IsNumericText(d, &number)) {
        define.Value = number;
        return KindNumber;
    }
    if (!d.empty() && d.front() == '[' && d.back() == ']') {
        define.Definition = NormaliseSpan(d.substr(1, d.size() - 2));
        return KindRaw;
    }
    if (!d.empty() && d.front() == '^') {
        define.Value = LeadingNumber(std::string_view(d).substr(1));
        return KindFrameTime;
    }
    const std::string upper = UpperCase(d);
    for (size_t i = 0; i < upper.size(); ++i) {
        const char c = upper[i];
        if (IsDigit(c)) {
            if (c == '0' && i + 1 < upper.size() && upper[i + 1] == 'X') ++i;
            while (i + 1 < upper.size() && IsDigit(upper[i + 1]))
                ++i;
        } else if (IsUpperLetter(c)) {
            const int16_t kind = defines_[FindLabel(std::string_view(&upper[i], 1))].Kind;
            if (kind == KindFieldExpr || kind == KindField) return KindFieldExpr;
        }
    }
    return KindConstExpr;
}

std::string Generator::NormaliseSpan(std::string span) const {
    std::string result;
    while (!span.empty()) {
        std::string token = NextToken(span, " ", 0);
        double number = 0;
        if (IsNumericText(token, &number) && std::abs(number) < protocol_.TimeUnit) {
            token = ShortestDecimal(number * protocol_.TimeUnit);
        }
        result += token;
        result += ' ';
    }
    if (!result.empty()) result.pop_back();
    return result;
}

int16_t Generator::FindLabel(std::string_view label) const {
    for (size_t i = 1; i < defines_.size(); ++i) {
        if (EqualsNoCase(defines_[i].Label, label)) return static_cast<int16_t>(i);
    }
    return 0;
}

void Generator::DefinesChanged() {
    infoValid_ = false;
    formCache_.clear();
    lastForm_ = nullptr;
}

const std::vector<Generator::DefineInfo>& Generator::Info() {
    if (infoValid_) return info_;
    info_.assign(defines_.size(), DefineInfo{});
    checksumIndex_ = 0;
    for (size_t i = 1; i < defines_.size(); ++i) {
        const std::string& d = defines_[i].Definition;
        DefineInfo& info = info_[i];
        if (EqualsNoCase(d, "DEVICE"))
            info.role = Role::Device;
        else if (EqualsNoCase(d, "FUNCTION"))
            info.role = Role::Function;
        else if (EqualsNoCase(d, "VALUE"))
            info.role = Role::Value;
        else if (EqualsNoCase(d, "EXTENSION"))
            info.role = Role::Extension;
        else if (EqualsNoCase(d, "CHECKSUM"))
            info.role = Role::Checksum;
        info.numeric = IsNumericText(d, &info.number);
        if (info.role == Role::Checksum && checksumIndex_ == 0)
            checksumIndex_ = static_cast<int>(i);
    }
    infoValid_ = true;
    return info_;
}

}  // namespace kestrel
