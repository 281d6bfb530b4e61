// The device file loader over arbitrary bytes, then every request a user can
// make of what was loaded, through the routines the window's clicks use:
// each command clicked, each of its values clicked, a range command's
// minimum, middle and maximum and the typed text through IR Gen, every
// remote button clicked, and the typed text in the manual code boxes.
// Input: line 1 the typed text, the rest the device file.

#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue/catalogue.h"
#include "export/generate_all.h"
#include "fuzz_catalogue.h"
#include "fuzz_lines.h"
#include "fuzz_targets.h"
#include "generator/generator.h"
#include "session/request.h"
#include "util/hex.h"

namespace kestrel::fuzz {
namespace {

void CheckOutput(const std::string& output) {
    KESTREL_FUZZ_CHECK(output.empty() || LooksLikeProntoLine(output));
}

// Plays an outcome through the fields as an edge does, its notices unseen.
const Outcome& Played(const Outcome& outcome, WindowFields& fields) {
    outcome.Play(fields, [](const Notice&) {});
    return outcome;
}

}  // namespace

int FuzzLoader(const uint8_t* data, size_t size) {
    const CatalogueInput input = SplitCatalogueInput(data, size);
    Generator generator;
    generator.SetupProtocol();
    Catalogue catalogue;
    catalogue.ModelName = input.model;
    catalogue.LoadDeviceText(input.deviceText);

    KESTREL_FUZZ_CHECK(catalogue.CommandCount() <= static_cast<size_t>(kMaxTableEntries));
    KESTREL_FUZZ_CHECK(catalogue.RemoteCount() <= static_cast<size_t>(kMaxTableEntries));

    FieldRecord fields;
    fields.PickMode(Mode::Discrete);
    for (size_t i = 0; i < catalogue.CommandCount(); ++i) {
        const CommandEntry& e = catalogue.Command(i);
        // Names are unique ignoring case, and every stored code fits 32 bits.
        KESTREL_FUZZ_CHECK(catalogue.FindCommand(e.Name) == i);
        KESTREL_FUZZ_CHECK(ParseHexInt32(e.FunctionCode).has_value());
        KESTREL_FUZZ_CHECK(e.Values.size() <= static_cast<size_t>(kMaxTableEntries));

        fields.selectedCommand = e.Name;
        const CommandClick click = ClickCommand(catalogue, fields);
        (void)Played(click.outcome, fields);
        KESTREL_FUZZ_CHECK(fields.functionCodeDecimal ==
                           std::to_string(*ParseHexInt32(e.FunctionCode)));
        for (size_t j = 0; j < e.Values.size(); ++j) {
            (void)Played(ClickValue(catalogue, fields, static_cast<int>(j), generator), fields);
            CheckOutput(fields.output);
        }
        KESTREL_FUZZ_CHECK(click.labels.size() == e.Values.size());
        if (e.HasRange()) {
            const std::string samples[] = {e.Range.Min, e.Range.Max,
                                           MiddleOfRange(e.Range).value_or(""), input.typed};
            for (const std::string& text : samples) {
                const bool passed =
                    !Played(GenerateRangeValue(catalogue, fields, text, generator), fields)
                         .ValueRefused();
                KESTREL_FUZZ_CHECK(passed == CheckValue(catalogue, fields, text));
                CheckOutput(fields.output);
                (void)EditValue(text);
            }
        }
    }

    fields.PickMode(Mode::Remote);
    for (size_t j = 0; j < catalogue.RemoteCount(); ++j) {
        (void)Played(ClickRemote(catalogue, fields, static_cast<int>(j), generator), fields);
        CheckOutput(fields.output);
    }
    // Positions outside the lists change nothing.
    fields.output = "kept";
    (void)Played(
        ClickRemote(catalogue, fields, static_cast<int>(catalogue.RemoteCount()), generator),
        fields);
    KESTREL_FUZZ_CHECK(fields.output == "kept");

    // The typed text in the manual code boxes, then a request of each kind.
    fields.PickMode(Mode::Manual);
    fields.SetText(Box::CodeDecimal, input.typed);
    (void)Played(UpdateHexFromDecimal(fields), fields);
    fields.SetText(Box::CodeHex, input.typed);
    (void)Played(UpdateDecimalFromHex(fields), fields);
    const ValueKindOption kinds[] = {ValueKindOption::Ascii, ValueKindOption::Dec,
                                     ValueKindOption::Hex, ValueKindOption::Value,
                                     ValueKindOption::None};
    for (const ValueKindOption kind : kinds) {
        fields.valueText = input.typed;
        fields.valueKind = kind;
        CheckOutput(Played(RequestCode(fields, generator), fields).code);
    }
    (void)EditValue(input.typed);
    return 0;
}

}  // namespace kestrel::fuzz

KESTREL_FUZZ_ENTRY(FuzzLoader)
