#include "catalogue/request.h"

#include "catalogue/catalogue.h"
#include "generator/generator.h"
#include "util/display.h"
#include "util/hex.h"
#include "util/numbers.h"
#include "util/text.h"

namespace kestrel {

void SetFCdec(WindowFields& fields, std::string text) {
    if (text == fields.txtFCdec) return;  // the handler runs on real changes only
    fields.txtFCdec = std::move(text);
    if (fields.txtFCdec.empty()) SetFChex(fields, "");
}

void SetFChex(WindowFields& fields, std::string text) {
    if (text == fields.txtFChex) return;
    fields.txtFChex = std::move(text);
    if (fields.txtFChex.empty()) SetFCdec(fields, "");
}

std::string GetValueKind(WindowFields& fields) {
    switch (fields.valueKind) {
        case ValueKindOption::Ascii:
            return "A";
        case ValueKindOption::Dec:
            return "D";
        case ValueKindOption::Hex:
            return "H";
        default:
            fields.valueKind = ValueKindOption::Value;
            return "V";
    }
}

std::string RequestCode(WindowFields& fields, Generator& generator, Display& display) {
    SetFChex(fields, UpperCase(fields.txtFChex));
    if (fields.txtFCdec.empty()) {
        display.ShowStatus("There is no function code entered", 0);
        return {};
    }
    if (fields.txtValue.empty()) {
        display.ShowStatus("There is no value entered", 0);
        return {};
    }
    const bool discrete =
        fields.mode == Mode::Discrete || (fields.mode == Mode::Manual && fields.txtFCdec != "8324");
    // With no kind selected the text kind "V" is sent; select it before the
    // form is chosen so the value goes into the text field, not into a
    // numeric field holding the previous request's number.
    if (fields.valueKind == ValueKindOption::None) fields.valueKind = ValueKindOption::Value;
    const ProtocolRecord& protocol = generator.Protocol();
    const std::string& form = !discrete                                    ? protocol.FormRemote
                              : fields.valueKind == ValueKindOption::Value ? protocol.FormValueText
                                                                           : protocol.FormDiscrete;
    const std::string code = fields.txtFCdec;
    const std::string value = fields.txtValue;
    const std::string kind = GetValueKind(fields);
    return generator.GenerateCode(form, code, value, kind);
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
    const CommandEntry& e = catalogue.Command(catalogue.getETindex(fields.selectedCommand));
    if (e.HasRange) {
        const double v = LeadingNumber(st);
        return LeadingNumber(e.Range.Min) <= v && v <= LeadingNumber(e.Range.Max);
    }
    return e.IsEnumeration;
}

void ShowValueError(WindowFields& fields, Display& display) {
    display.ShowValueError();
    fields.txtValue.clear();
    fields.txtOutput.clear();
}

void SelectDiscrete(WindowFields& fields) {
    fields.mode = Mode::Discrete;
    fields.selectedCommand.clear();
    fields.txtOutput.clear();
    SetFChex(fields, "");
    SetFCdec(fields, "");
    fields.txtValue.clear();
    if (fields.valueKind != ValueKindOption::Value) fields.valueKind = ValueKindOption::None;
}

void SelectRemote(WindowFields& fields) {
    fields.mode = Mode::Remote;
    fields.txtOutput.clear();
    SetFCdec(fields, "8324");
    SetFChex(fields, ToHex(8324, 0));
    fields.txtValue.clear();
    fields.valueKind = ValueKindOption::Dec;
}

void SelectManual(WindowFields& fields) {
    fields.mode = Mode::Manual;
    fields.txtOutput.clear();
    SetFChex(fields, "");
    SetFCdec(fields, "");
    fields.txtValue.clear();
    fields.valueKind = ValueKindOption::Value;
}

bool SelectModel(Catalogue& catalogue, WindowFields& fields, const std::string& folder,
                 const std::string& name) {
    if (name.empty()) return false;
    fields.selectedCommand.clear();  // the lists are emptied
    catalogue.ModelName = name;
    return catalogue.LoadDeviceFile(folder, name + "IR.ini");
}

CommandClick ClickCommand(const Catalogue& catalogue, WindowFields& fields,
                          const std::string& itemText, Display& display) {
    fields.selectedCommand = itemText;
    const CommandEntry& e = catalogue.Command(catalogue.getETindex(itemText));
    fields.txtValue.clear();
    SetFChex(fields, e.FunctionCode);
    // The loader keeps only function codes that fit 32 bits.
    SetFCdec(fields, std::to_string(HexToLong(fields.txtFChex).value_or(0)));
    fields.txtOutput.clear();
    CommandClick click;
    if (e.IsEnumeration) {
        click.show = CommandClick::Show::Values;
        click.labels.reserve(e.Values.size());
        for (const EnumValue& value : e.Values)
            click.labels.push_back(value.Label);
        fields.valueKind = ValueKindOption::Value;
    } else if (e.HasRange) {
        click.show = CommandClick::Show::Range;
        click.rangePrompt = "Enter a value in the range " + e.Range.Min + " to " + e.Range.Max;
        fields.valueKind = ValueKindOption::Value;
    } else {
        click.show = CommandClick::Show::Query;
        display.ShowStatus("Query Commands are not handled by IR", 0);
    }
    return click;
}

std::string ClickValue(const Catalogue& catalogue, WindowFields& fields, int position,
                       Generator& generator, Display& display) {
    const CommandEntry& e = catalogue.Command(catalogue.getETindex(fields.selectedCommand));
    if (position < 0 || position >= static_cast<int>(e.Values.size())) return {};
    fields.txtValue = std::to_string(e.Values[static_cast<size_t>(position)].Code);
    fields.txtOutput.clear();
    fields.txtOutput = RequestCode(fields, generator, display);
    return fields.txtOutput;
}

std::string ClickRemote(const Catalogue& catalogue, WindowFields& fields, int position,
                        Generator& generator, Display& display) {
    if (position < 0 || position >= catalogue.RemoteCount()) return {};
    fields.txtValue = catalogue.Remote(position + 1).Code;
    fields.txtOutput = RequestCode(fields, generator, display);
    return fields.txtOutput;
}

bool GenerateRangeValue(const Catalogue& catalogue, WindowFields& fields,
                        const std::string& txtRange, Generator& generator, Display& display) {
    fields.txtValue = txtRange;
    if (!CheckValue(catalogue, fields, fields.txtValue)) {
        ShowValueError(fields, display);
        return false;
    }
    fields.txtOutput = RequestCode(fields, generator, display);
    return true;
}

namespace {

// The range test of the manual code boxes.
bool CodeTooLarge(const std::string& decimal) {
    const double code = LeadingNumber(decimal);
    return code > 255 && code != 8324;
}

}  // namespace

void UpdateHexFromDecimal(WindowFields& fields, Display& display) {
    int32_t code = 0;
    if (!fields.txtFCdec.empty()) {
        const std::optional<int32_t> parsed = ParseDecimalInt32(fields.txtFCdec);
        // Text that is no whole number from 0 up cannot be written in
        // hexadecimal (a negative one would empty both boxes): it is refused
        // and nothing changes, so it never reaches the generator.
        if (!parsed || *parsed < 0) {
            display.ShowMessage(kNotAFunctionCode);
            return;
        }
        if (CodeTooLarge(fields.txtFCdec)) {
            display.ShowMessage(kIllegalFunctionCode);
            return;
        }
        code = *parsed;
    }
    SetFChex(fields, ToHex(code, 0));
}

void UpdateDecimalFromHex(WindowFields& fields, Display& display) {
    SetFChex(fields, UpperCase(fields.txtFChex));
    const std::optional<int32_t> code = HexToLong(fields.txtFChex);
    if (!code) {
        display.ShowMessage(kIllegalFunctionCode);
        return;
    }
    SetFCdec(fields, std::to_string(*code));
    if (CodeTooLarge(fields.txtFCdec)) display.ShowMessage(kIllegalFunctionCode);
}

}  // namespace kestrel
