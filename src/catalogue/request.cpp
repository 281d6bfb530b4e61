#include "catalogue/request.h"

#include "catalogue/catalogue.h"
#include "catalogue/file_formats.h"
#include "generator/generator.h"
#include "util/display.h"
#include "util/hex.h"
#include "util/numbers.h"
#include "util/text.h"

namespace kestrel {

std::string FieldRecord::Text(Box box) const {
    switch (box) {
        case Box::FCdec:
            return txtFCdec;
        case Box::FChex:
            return txtFChex;
        case Box::Value:
            return txtValue;
        case Box::Output:
            return txtOutput;
    }
    return {};
}

void FieldRecord::SetText(Box box, const std::string& text) {
    switch (box) {
        case Box::FCdec:
            if (text == txtFCdec) return;  // the change handler runs on real changes only
            txtFCdec = text;
            if (txtFCdec.empty()) SetText(Box::FChex, "");
            return;
        case Box::FChex:
            if (text == txtFChex) return;
            txtFChex = text;
            if (txtFChex.empty()) SetText(Box::FCdec, "");
            return;
        case Box::Value:
            txtValue = text;
            return;
        case Box::Output:
            txtOutput = text;
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

std::string RequestCode(WindowFields& fields, Generator& generator, Display& display) {
    fields.SetText(Box::FChex, UpperCase(fields.Text(Box::FChex)));
    const std::string code = fields.Text(Box::FCdec);
    if (code.empty()) {
        display.ShowStatus("There is no function code entered", 0);
        return {};
    }
    const std::string value = fields.Text(Box::Value);
    if (value.empty()) {
        display.ShowStatus("There is no value entered", 0);
        return {};
    }
    const Mode mode = fields.SelectedMode();
    const bool discrete = mode == Mode::Discrete ||
                          (mode == Mode::Manual && code != file_format::kRemoteFunctionCodeText);
    // With no kind selected the text kind "V" is sent; select it before the
    // form is chosen so the value goes into the text field, not into a
    // numeric field holding the previous request's number.
    if (fields.SelectedKind() == ValueKindOption::None) fields.SelectKind(ValueKindOption::Value);
    const ProtocolRecord& protocol = generator.Protocol();
    const std::string& form = !discrete ? protocol.FormRemote
                              : fields.SelectedKind() == ValueKindOption::Value
                                  ? protocol.FormValueText
                                  : protocol.FormDiscrete;
    const std::string kind = GetValueKind(fields);
    return GenerateShown(generator, form, code, value, kind, display).value_or("");
}

void ShowNotes(const Generator& generator, Display& display) {
    const std::vector<std::string> notes = generator.Notes();
    for (const std::string& note : notes)
        display.ShowMessage(note);
}

Result<std::string> GenerateShown(Generator& generator, std::string_view form,
                                  std::string_view code, std::string_view value,
                                  std::string_view kind, Display& display) {
    Result<std::string> made = generator.GenerateCode(form, code, value, kind);
    ShowNotes(generator, display);
    if (!made) display.ShowMessage(made.reason());
    return made;
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
    const CommandEntry& e = catalogue.Command(catalogue.getETindex(fields.SelectedCommand()));
    if (e.HasRange) {
        const double v = LeadingNumber(st);
        return LeadingNumber(e.Range.Min) <= v && v <= LeadingNumber(e.Range.Max);
    }
    return e.IsEnumeration;
}

void ShowValueError(WindowFields& fields, Display& display) {
    display.ShowValueError();
    fields.SetText(Box::Value, "");
    fields.SetText(Box::Output, "");
}

void SelectDiscrete(WindowFields& fields) {
    fields.SetText(Box::Output, "");
    fields.SetText(Box::FChex, "");
    fields.SetText(Box::FCdec, "");
    fields.SetText(Box::Value, "");
    if (fields.SelectedKind() != ValueKindOption::Value) fields.SelectKind(ValueKindOption::None);
}

void SelectRemote(WindowFields& fields) {
    fields.SetText(Box::Output, "");
    fields.SetText(Box::FCdec, std::string(file_format::kRemoteFunctionCodeText));
    fields.SetText(Box::FChex, ToHex(file_format::kRemoteFunctionCode, 0));
    fields.SetText(Box::Value, "");
    fields.SelectKind(ValueKindOption::Dec);
}

void SelectManual(WindowFields& fields) {
    fields.SetText(Box::Output, "");
    fields.SetText(Box::FChex, "");
    fields.SetText(Box::FCdec, "");
    fields.SetText(Box::Value, "");
    fields.SelectKind(ValueKindOption::Value);
}

Status SelectModel(Catalogue& catalogue, const std::string& folder, const std::string& name) {
    if (name.empty()) return {};
    catalogue.ModelName = name;
    return catalogue.LoadDeviceFile(folder, name + std::string(file_format::kDeviceFileSuffix));
}

CommandClick ClickCommand(const Catalogue& catalogue, WindowFields& fields, Display& display) {
    const CommandEntry& e = catalogue.Command(catalogue.getETindex(fields.SelectedCommand()));
    fields.SetText(Box::Value, "");
    fields.SetText(Box::FChex, e.FunctionCode);
    // The loader keeps only function codes that fit 32 bits.
    fields.SetText(Box::FCdec, std::to_string(HexToLong(fields.Text(Box::FChex)).value_or(0)));
    fields.SetText(Box::Output, "");
    CommandClick click;
    if (e.IsEnumeration) {
        click.show = CommandClick::Show::Values;
        click.labels.reserve(e.Values.size());
        for (const EnumValue& value : e.Values)
            click.labels.push_back(value.Label);
        fields.SelectKind(ValueKindOption::Value);
    } else if (e.HasRange) {
        click.show = CommandClick::Show::Range;
        click.rangePrompt = "Enter a value in the range " + e.Range.Min + " to " + e.Range.Max;
        fields.SelectKind(ValueKindOption::Value);
    } else {
        click.show = CommandClick::Show::Query;
        display.ShowStatus("Query Commands are not handled by IR", 0);
    }
    return click;
}

void ClickValue(const Catalogue& catalogue, WindowFields& fields, int position,
                Generator& generator, Display& display) {
    const CommandEntry& e = catalogue.Command(catalogue.getETindex(fields.SelectedCommand()));
    if (position < 0 || position >= static_cast<int>(e.Values.size())) return;
    fields.SetText(Box::Value, std::to_string(e.Values[static_cast<size_t>(position)].Code));
    fields.SetText(Box::Output, "");
    fields.SetText(Box::Output, RequestCode(fields, generator, display));
}

void ClickRemote(const Catalogue& catalogue, WindowFields& fields, int position,
                 Generator& generator, Display& display) {
    if (position < 0 || position >= catalogue.RemoteCount()) return;
    fields.SetText(Box::Value, catalogue.Remote(position + 1).Code);
    fields.SetText(Box::Output, RequestCode(fields, generator, display));
}

bool GenerateRangeValue(const Catalogue& catalogue, WindowFields& fields,
                        const std::string& txtRange, Generator& generator, Display& display) {
    fields.SetText(Box::Value, txtRange);
    if (!CheckValue(catalogue, fields, fields.Text(Box::Value))) {
        ShowValueError(fields, display);
        return false;
    }
    fields.SetText(Box::Output, RequestCode(fields, generator, display));
    return true;
}

namespace {

// The range test of the manual code boxes.
bool CodeTooLarge(const std::string& decimal) {
    const double code = LeadingNumber(decimal);
    return code > 255 && code != file_format::kRemoteFunctionCode;
}

}  // namespace

void UpdateHexFromDecimal(WindowFields& fields, Display& display) {
    const std::string decimal = fields.Text(Box::FCdec);
    int32_t code = 0;
    if (!decimal.empty()) {
        const std::optional<int32_t> parsed = ParseDecimalInt32(decimal);
        // Text that is no whole number from 0 up cannot be written in
        // hexadecimal (a negative one would empty both boxes): it is refused
        // and nothing changes, so it never reaches the generator.
        if (!parsed || *parsed < 0) {
            display.ShowMessage(kNotAFunctionCode);
            return;
        }
        if (CodeTooLarge(decimal)) {
            display.ShowMessage(kIllegalFunctionCode);
            return;
        }
        code = *parsed;
    }
    fields.SetText(Box::FChex, ToHex(code, 0));
}

void UpdateDecimalFromHex(WindowFields& fields, Display& display) {
    fields.SetText(Box::FChex, UpperCase(fields.Text(Box::FChex)));
    const std::optional<int32_t> code = HexToLong(fields.Text(Box::FChex));
    if (!code) {
        display.ShowMessage(kIllegalFunctionCode);
        return;
    }
    fields.SetText(Box::FCdec, std::to_string(*code));
    if (CodeTooLarge(fields.Text(Box::FCdec))) display.ShowMessage(kIllegalFunctionCode);
}

}  // namespace kestrel
