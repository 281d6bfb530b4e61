// The generator: protocol set-up and the steps of one request.

#include "generator/generator.h"

#include <algorithm>
#include <optional>

#include "generator/pronto.h"
#include "util/display.h"
#include "util/hex.h"
#include "util/numbers.h"
#include "util/text.h"

namespace kestrel {
namespace {

// A decimal value by the leading-number rule, rounded to 32 bits; plain
// digits, the usual case, are read without the general parser.
std::optional<int32_t> DecimalValue(std::string_view value) {
    if (!value.empty() && value.size() <= 9 &&
        std::all_of(value.begin(), value.end(), [](char c) { return IsDigit(c); })) {
        int32_t number = 0;
        for (const char c : value)
            number = number * 10 + (c - '0');
        return number;
    }
    int32_t number = 0;
    if (!RoundToInt32(LeadingNumber(value), number)) return std::nullopt;
    return number;
}

}  // namespace

Generator::Generator(Display& display)
    : display_(display),
      defines_(display),
      evaluator_(defines_, request_, display),
      encoder_(protocol_, defines_, request_, evaluator_, display) {}

void Generator::SetupProtocol() {
    protocol_ = BuiltInProtocol();
    defines_.Clear();
    for (const char* text : kBuiltInDirectives) {
        std::string directive = text;
        AddDefine(directive, false);
    }
    PrepareProtocol();
}

// Registers the names the current form uses and completes the device and
// function labels.
void Generator::PrepareProtocol() {
    if (protocol_.Form.empty()) {
        display_.ShowMessage("No form has beeen specified for " + protocol_.Name + " Protocol");
    }
    for (const std::string& name : FormNames(protocol_.Form)) {
        if (defines_.FindLabel(name) == kNoDefine) {
            defines_.Append(name, name, 0, DefineKind::Number);
        }
    }
    // A device label counts toward the checksum when there is one.
    const DefineKind deviceKind =
        defines_.HasRole(DefineRole::Checksum) ? DefineKind::CheckedField : DefineKind::Field;
    if (!defines_.HasRole(DefineRole::Device)) {
        const DefineIndex d = defines_.FindLabel("D");
        if (d == kNoDefine) {
            defines_.Append("D", "DEVICE", 0, deviceKind);
        } else if (EqualsNoCase(defines_[d].Definition, "D")) {
            defines_.Redefine(d, "DEVICE", deviceKind);
        }
    }
    if (!defines_.HasRole(DefineRole::Function)) {
        const DefineIndex f = defines_.FindLabel("F");
        if (f == kNoDefine) {
            defines_.Append("F", "FUNCTION", 0, DefineKind::Field);
        } else {
            defines_.Redefine(f, "FUNCTION", DefineKind::Field);
        }
    }
}

void Generator::AddDefine(std::string& directive, bool replace) {
    defines_.AddDefine(directive, replace, protocol_.TimeUnit);
}

// Sets the request values from the request texts. Everything is checked
// before any value changes, so that a refused request leaves the values
// that carry over untouched.
bool Generator::LoadRequest(std::string_view code, std::string_view value, std::string_view kind) {
    const std::optional<int32_t> device = ParseDecimalInt32(code);
    if (!device) {
        display_.ShowMessage("The function code '" + std::string(code) +
                             "' is not a decimal number that fits 32 bits" + kNoCodeGenerated);
        return false;
    }
    const char letter = kind.empty() ? 'V' : UpperAscii(kind[0]);
    const bool oneLetter = kind.size() == 1;
    if (oneLetter && letter == 'A') {
        if (value.empty()) {
            display_.ShowMessage(std::string("An ASCII value needs a character") +
                                 kNoCodeGenerated);
            return false;
        }
        request_.function = static_cast<unsigned char>(value[0]);
    } else if (oneLetter && letter == 'H') {
        const std::optional<int32_t> number = HexToLong(value);
        if ((!value.empty() && !IsHexDigits(value)) || !number) {
            display_.ShowMessage("The value '" + std::string(value) +
                                 "' is not a hexadecimal number that fits 32 bits" +
                                 kNoCodeGenerated);
            return false;
        }
        request_.function = *number;
    } else if (oneLetter && letter == 'D') {
        const std::optional<int32_t> number = DecimalValue(value);
        if (!number) {
            display_.ShowMessage("The value '" + std::string(value) +
                                 "' is outside the 32-bit range" + kNoCodeGenerated);
            return false;
        }
        request_.function = *number;
    } else {
        request_.valueText = value;
    }
    request_.device = *device;
    return true;
}

std::string Generator::GenerateCode(std::string_view form, std::string_view code,
                                    std::string_view value, std::string_view kind) {
    if (protocol_.Form != form) protocol_.Form = form;
    durations_.Clear();
    if (!LoadRequest(code, value, kind)) return {};
    if (encoder_.EncodeForm(protocol_.Form, durations_) < 0) return {};
    if (pronto_.CarrierHz() != protocol_.CarrierHz) pronto_ = ProntoAssembler(protocol_.CarrierHz);
    if (pronto_.PeriodMicros() <= 0) {
        display_.ShowMessage("The carrier of " + std::to_string(protocol_.CarrierHz) +
                             " Hz cannot be written as a Pronto code" + kNoCodeGenerated);
        return {};
    }
    return pronto_.Assemble(durations_);
}

}  // namespace kestrel
