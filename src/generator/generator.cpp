// The generator: protocol set-up and the steps of one request.

#include "generator/generator.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "generator/pronto.h"
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

// The generator's parts refuse a request from deep inside by throwing a
// Refusal (a full code, an evaluation that fails); the encoder and the
// evaluator catch their own. No exception leaves the generator: whatever
// still reaches a public function becomes its refusal here.
template <typename Call>
auto Guarded(const Call& call) -> decltype(call()) {
    try {
        return call();
    } catch (const Refusal& refusal) {
        return refusal;
    }
}

}  // namespace

Generator::Generator()
    : evaluator_(defines_, request_, notes_),
      encoder_(protocol_, defines_, request_, evaluator_, notes_) {}

std::vector<std::string> Generator::SetupProtocol() {
    notes_.clear();
    protocol_ = BuiltInProtocol();
    defines_.Clear();
    for (const char* text : kBuiltInDirectives) {
        std::string directive = text;
        // The built-in directives are well formed and their labels distinct.
        (void)defines_.AddDefine(directive, false, protocol_.TimeUnit);
    }
    PrepareProtocol();
    return std::exchange(notes_, {});
}

// Registers the names the current form uses and completes the device and
// function labels.
void Generator::PrepareProtocol() {
    if (protocol_.Form.empty()) {
        notes_.push_back("No form has beeen specified for " + protocol_.Name + " Protocol");
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

Status Generator::AddDefine(std::string& directive, bool replace) {
    notes_.clear();
    return defines_.AddDefine(directive, replace, protocol_.TimeUnit);
}

Noted<int32_t> Generator::EvaluateDefine(std::string_view label) {
    notes_.clear();
    Result<int32_t> value = Guarded([&] { return evaluator_.EvaluateDefine(label); });
    return {std::move(value), std::exchange(notes_, {})};
}

// Sets the request values from the request texts. Everything is checked
// before any value changes, so that a refused request leaves the values
// that carry over untouched.
Status Generator::LoadRequest(std::string_view code, std::string_view value,
                              std::string_view kind) {
    const std::optional<int32_t> device = ParseDecimalInt32(code);
    if (!device) {
        return Refused("The function code '" + std::string(code) +
                       "' is not a decimal number that fits 32 bits" + kNoCodeGenerated);
    }
    const char letter = kind.empty() ? 'V' : UpperAscii(kind[0]);
    const bool oneLetter = kind.size() == 1;
    if (oneLetter && letter == 'A') {
        if (value.empty()) {
            return Refused(std::string("An ASCII value needs a character") + kNoCodeGenerated);
        }
        request_.function = static_cast<unsigned char>(value[0]);
    } else if (oneLetter && letter == 'H') {
        const std::optional<int32_t> number = ParseHexInt32(value);
        if ((!value.empty() && !IsHexDigits(value)) || !number) {
            return Refused("The value '" + std::string(value) +
                           "' is not a hexadecimal number that fits 32 bits" + kNoCodeGenerated);
        }
        request_.function = *number;
    } else if (oneLetter && letter == 'D') {
        const std::optional<int32_t> number = DecimalValue(value);
        if (!number) {
            return Refused("The value '" + std::string(value) + "' is outside the 32-bit range" +
                           kNoCodeGenerated);
        }
        request_.function = *number;
    } else {
        request_.valueText = value;
    }
    request_.device = *device;
    return {};
}

Noted<std::string> Generator::GenerateCode(std::string_view form, std::string_view code,
                                           std::string_view value, std::string_view kind) {
    notes_.clear();
    Result<std::string> made = Guarded([&] { return Generate(form, code, value, kind); });
    return {std::move(made), std::exchange(notes_, {})};
}

Result<std::string> Generator::Generate(std::string_view form, std::string_view code,
                                        std::string_view value, std::string_view kind) {
    if (protocol_.Form != form) protocol_.Form = form;
    durations_.Clear();
    if (Status loaded = LoadRequest(code, value, kind); !loaded) return Refused(loaded.reason());
    if (Status encoded = encoder_.EncodeForm(protocol_.Form, durations_); !encoded)
        return Refused(encoded.reason());
    if (pronto_.CarrierHz() != protocol_.CarrierHz) pronto_ = ProntoAssembler(protocol_.CarrierHz);
    if (!pronto_.PeriodMicros()) {
        return Refused("The carrier of " + std::to_string(protocol_.CarrierHz) +
                       " Hz cannot be written as a Pronto code" + kNoCodeGenerated);
    }
    return pronto_.Assemble(durations_);
}

}  // namespace kestrel
