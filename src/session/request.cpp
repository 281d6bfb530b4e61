#include "session/request.h"

#include "catalogue/catalogue.h"
#include "catalogue/file_formats.h"
#include "generator/generator.h"
#include "util/hex.h"
#include "util/numbers.h"
#include "util/text.h"

namespace kestrel {

std::string FieldRecord::Text(Box box) const {
    switch (box) {
        case Box::CodeDecimal:
            return functionCodeDecimal;
        case Box::CodeHex:
            return functionCodeHex;
        case Box::Value:
            return valueText;
        case Box::Output:
            return output;
    }
    return {};
}

void FieldRecord::SetText(Box box, const std::string& text) {
    switch (box) {
        case Box::CodeDecimal:
            if (text == functionCodeDecimal)
                return;  // the change handler runs on real changes only
            functionCodeDecimal = text;
            if (functionCodeDecimal.empty()) SetText(Box::CodeHex, "");
            return;
        case Box::CodeHex:
            if (text == functionCodeHex) return;
            functionCodeHex = text;
            if (functionCodeHex.empty()) SetText(Box::CodeDecimal, "");
            return;
        case Box::Value:
            valueText = text;
            return;
        case Box::Output:
            output = text;
            return;
    }
}

void FieldRecord::PickMode(Mode picked) {
    mode = picked;
    switch (picked) {
        case Mode::Discrete:
            selectedCommand.clear();  // the handler clears the command list's selection
            SelectDiscrete(*this);
            return;
        case Mode::Remote:
            SelectRemote(*this);
            return;
        case Mode::Manual:
            SelectManual(*this);
            return;
    }
}

std::string GetValueKind(WindowFields& fields) {
    if (fields.SelectedKind() == ValueKindOption::None) fields.SelectKind(ValueKindOption::Value);
    return std::string(1, KindLetter(fields.SelectedKind()));
}

Outcome RequestCode(WindowFields& fields, Generator& generator) {
    Outcome outcome;
    fields.SetText(Box::CodeHex, UpperCase(fields.Text(Box::CodeHex)));
    const std::string code = fields.Text(Box::CodeDecimal);
    if (code.empty()) {
        outcome.Refuse(Notice::Status("There is no function code entered", 0));
        return outcome;
    }
    const std::string value = fields.Text(Box::Value);
    if (value.empty()) {
        outcome.Refuse(Notice::Status("There is no value entered", 0));
        return outcome;
    }
    const Mode mode = fields.SelectedMode();
    const bool discrete = mode == Mode::Discrete ||
                          (mode == Mode::Manual && code != file_format::kRemoteFunctionCodeText);
    // With no kind selected the text kind "V" is sent; select it before the
    // form is chosen so the value goes into the text field, not into a
    // numeric field holding the previous request's number.
    if (fields.SelectedKind() == ValueKindOption::None) fields.SelectKind(ValueKindOption::Value);
    const ProtocolRecord& protocol = generator.Protocol();
    const std::string& form = FormText(protocol, !discrete ? BuiltInForm::Remote
                                                 : fields.SelectedKind() == ValueKindOption::Value
                                                     ? BuiltInForm::ValueText
                                                     : BuiltInForm::Discrete);
    const std::string kind = GetValueKind(fields);
    Noted<std::string> made = generator.GenerateCode(form, code, value, kind);
    for (Notice& note : NoticesOf(made.notes))
        outcome.Show(std::move(note));
    if (!made.result) {
        outcome.Refuse(Notice::Message(made.result.reason()));
        return outcome;
    }
    outcome.code = std::move(made.result).value();
    return outcome;
}

std::vector<Notice> NoticesOf(const std::vector<std::string>& notes) {
    std::vector<Notice> notices;
    for (const std::string& note : notes)
        notices.push_back(Notice::Message(note));
    return notices;
}

std::string EditValue(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 4);
    for (const char c : text) {
        if (!out.empty()) out.push_back(',');
        out += std::to_string(static_cast<unsigned char>(c));
    }
    return out;
}

bool CheckValue(const Catalogue& catalogue, const WindowFields& fields, std::string_view st) {
    const CommandEntry& e = catalogue.CommandNamed(fields.SelectedCommand());
    if (e.HasRange()) {
        const double v = LeadingNumber(st);
        return LeadingNumber(e.Range.Min) <= v && v <= LeadingNumber(e.Range.Max);
    }
    return e.IsEnumeration();
}

Outcome ValueError(WindowFields& fields) {
    Outcome outcome;
    outcome.Refuse(Notice::ValueError());
    outcome.SetText(fields, Box::Value, "");
    outcome.SetText(fields, Box::Output, "");
    return outcome;
}

void SelectDiscrete(WindowFields& fields) {
    fields.SetText(Box::Output, "");
    fields.SetText(Box::CodeHex, "");
    fields.SetText(Box::CodeDecimal, "");
    fields.SetText(Box::Value, "");
    if (fields.SelectedKind() != ValueKindOption::Value) fields.SelectKind(ValueKindOption::None);
}

void SelectRemote(WindowFields& fields) {
    fields.SetText(Box::Output, "");
    fields.SetText(Box::CodeDecimal, std::string(file_format::kRemoteFunctionCodeText));
    fields.SetText(Box::CodeHex, ToHex(file_format::kRemoteFunctionCode, 0));
    fields.SetText(Box::Value, "");
    fields.SelectKind(ValueKindOption::Dec);
}

void SelectManual(WindowFields& fields) {
    fields.SetText(Box::Output, "");
    fields.SetText(Box::CodeHex, "");
    fields.SetText(Box::CodeDecimal, "");
    fields.SetText(Box::Value, "");
    fields.SelectKind(ValueKindOption::Value);
}

Status SelectModel(Catalogue& catalogue, const std::string& folder, const std::string& name) {
    if (name.empty()) return {};
    catalogue.ModelName = name;
    return catalogue.LoadDeviceFile(folder, name + std::string(file_format::kDeviceFileSuffix));
}

CommandClick ClickCommand(const Catalogue& catalogue, WindowFields& fields) {
    const CommandEntry& e = catalogue.CommandNamed(fields.SelectedCommand());
    fields.SetText(Box::Value, "");
    fields.SetText(Box::CodeHex, e.FunctionCode);
    // The loader keeps only function codes that fit 32 bits.
    fields.SetText(Box::CodeDecimal,
                   std::to_string(ParseHexInt32(fields.Text(Box::CodeHex)).value_or(0)));
    fields.SetText(Box::Output, "");
    CommandClick click;
    if (e.IsEnumeration()) {
        click.show = CommandClick::Show::Values;
        click.labels.reserve(e.Values.size());
        for (const EnumValue& value : e.Values)
            click.labels.push_back(value.Label);
        fields.SelectKind(ValueKindOption::Value);
    } else if (e.HasRange()) {
        click.show = CommandClick::Show::Range;
        click.rangePrompt = "Enter a value in the range " + e.Range.Min + " to " + e.Range.Max;
        fields.SelectKind(ValueKindOption::Value);
    } else {
        click.show = CommandClick::Show::Query;
        click.outcome.Refuse(Notice::Status("Query Commands are not handled by IR", 0));
    }
    return click;
}

Outcome ClickValue(const Catalogue& catalogue, WindowFields& fields, int position,
                   Generator& generator) {
    const CommandEntry& e = catalogue.CommandNamed(fields.SelectedCommand());
    if (position < 0 || position >= static_cast<int>(e.Values.size())) return {};
    fields.SetText(Box::Value, std::to_string(e.Values[static_cast<size_t>(position)].Code));
    fields.SetText(Box::Output, "");
    Outcome outcome = RequestCode(fields, generator);
    outcome.SetText(fields, Box::Output, outcome.code);
    return outcome;
}

Outcome ClickRemote(const Catalogue& catalogue, WindowFields& fields, int position,
                    Generator& generator) {
    if (position < 0 || static_cast<size_t>(position) >= catalogue.RemoteCount()) return {};
    fields.SetText(Box::Value, catalogue.Remote(static_cast<size_t>(position)).Code);
    Outcome outcome = RequestCode(fields, generator);
    outcome.SetText(fields, Box::Output, outcome.code);
    return outcome;
}

Outcome GenerateRangeValue(const Catalogue& catalogue, WindowFields& fields,
                           const std::string& rangeText, Generator& generator) {
    fields.SetText(Box::Value, rangeText);
    if (!CheckValue(catalogue, fields, fields.Text(Box::Value))) return ValueError(fields);
    Outcome outcome = RequestCode(fields, generator);
    outcome.SetText(fields, Box::Output, outcome.code);
    return outcome;
}

namespace {

// The range test of the manual code boxes.
bool CodeTooLarge(const std::string& decimal) {
    const double code = LeadingNumber(decimal);
    return code > 255 && code != file_format::kRemoteFunctionCode;
}

}  // namespace

Outcome UpdateHexFromDecimal(WindowFields& fields) {
    Outcome outcome;
    const std::string decimal = fields.Text(Box::CodeDecimal);
    int32_t code = 0;
    if (!decimal.empty()) {
        const std::optional<int32_t> parsed = ParseDecimalInt32(decimal);
        // Text that is no whole number from 0 up cannot be written in
        // hexadecimal (a negative one would empty both boxes): it is refused
        // and nothing changes, so it never reaches the generator.
        if (!parsed || *parsed < 0) {
            outcome.Refuse(Notice::Message(kNotAFunctionCode));
            return outcome;
        }
        if (CodeTooLarge(decimal)) {
            outcome.Refuse(Notice::Message(kIllegalFunctionCode));
            return outcome;
        }
        code = *parsed;
    }
    fields.SetText(Box::CodeHex, ToHex(code, 0));
    return outcome;
}

Outcome UpdateDecimalFromHex(WindowFields& fields) {
    Outcome outcome;
    fields.SetText(Box::CodeHex, UpperCase(fields.Text(Box::CodeHex)));
    const std::optional<int32_t> code = ParseHexInt32(fields.Text(Box::CodeHex));
    if (!code) {
        outcome.Refuse(Notice::Message(kIllegalFunctionCode));
        return outcome;
    }
    fields.SetText(Box::CodeDecimal, std::to_string(*code));
    if (CodeTooLarge(fields.Text(Box::CodeDecimal)))
        outcome.Show(Notice::Message(kIllegalFunctionCode));
    return outcome;
}

}  // namespace kestrel
