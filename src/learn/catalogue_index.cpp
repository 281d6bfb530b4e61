#include "learn/catalogue_index.h"

#include <algorithm>
#include <bit>

#include "generator/generator.h"
#include "generator/pronto_reader.h"
#include "session/request.h"
#include "util/hex.h"
#include "util/numbers.h"

namespace kestrel {
namespace {

// Plays what a routine returns through the index's own fields, its notices
// kept for the caller.
const Outcome& Played(const Outcome& outcome, FieldRecord& fields, std::vector<Notice>& notices) {
    outcome.Play(fields, [&notices](const Notice& notice) { notices.push_back(notice); });
    return outcome;
}

std::string KeyOf(const DecodedCode& fields) {
    std::string key = FormWord(fields.form);
    key += ' ' + std::to_string(fields.device) + ' ';
    key +=
        fields.form == BuiltInForm::ValueText ? fields.valueText : std::to_string(fields.function);
    return key;
}

// A value text the Manual mode's Value option sends as it stands.
bool IsPlainText(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

// Bits that differ between two fields of one form.
int BitsApart(const DecodedCode& a, const DecodedCode& b) {
    int bits = std::popcount(a.device ^ b.device);
    if (a.form != BuiltInForm::ValueText) return bits + std::popcount(a.function ^ b.function);
    const size_t shorter = std::min(a.valueText.size(), b.valueText.size());
    for (size_t i = 0; i < shorter; ++i) {
        bits += std::popcount(static_cast<unsigned char>(a.valueText[i] ^ b.valueText[i]));
    }
    return bits + 8 * static_cast<int>(std::max(a.valueText.size(), b.valueText.size()) - shorter);
}

bool Holds(const std::vector<DecodedCode>& all, const DecodedCode& one) {
    return std::find(all.begin(), all.end(), one) != all.end();
}

}  // namespace

std::string CatalogueEntry::Name() const {
    switch (kind) {
        case Kind::Value:
        case Kind::Range:
            return model + ": " + command + " = " + value;
        case Kind::Remote:
            return model + ": remote " + command;
        case Kind::Manual:
            break;
    }
    return model + ": manual code " + functionCode + " (" + command + "), " +
           (valueKind == ValueKindOption::Value ? "value \"" + value + "\""
                                                : "decimal value " + value);
}

CatalogueIndex::CatalogueIndex(std::string model, std::unique_ptr<const Catalogue> catalogue,
                               Generator& generator, std::vector<Notice>& notices)
    : model_(std::move(model)), catalogue_(std::move(catalogue)), generator_(generator) {
    const Catalogue& c = *catalogue_;
    FieldRecord fields;
    for (size_t i = 0; i < c.CommandCount(); ++i) {
        const CommandEntry& command = c.Command(i);
        if (command.IsEnumeration() || command.HasRange()) {
            fields.selectedCommand = command.Name;
            (void)Played(ClickCommand(c, fields).outcome, fields, notices);
        }
        if (command.IsEnumeration()) {
            for (size_t j = 0; j < command.Values.size(); ++j) {
                (void)Played(ClickValue(c, fields, static_cast<int>(j), generator_), fields,
                             notices);
                Index({CatalogueEntry::Kind::Value, model_, command.Name, command.Values[j].Label,
                       static_cast<int>(j), "", ValueKindOption::Value, fields.output});
            }
        } else if (command.HasRange() && CheckValue(c, fields, command.Range.Min) &&
                   !Played(GenerateRangeValue(c, fields, command.Range.Min, generator_), fields,
                           notices)
                        .ValueRefused()) {
            for (const DecodedCode& decoded : Decode(fields.output)) {
                if (decoded.form == BuiltInForm::ValueText) ranges_.push_back({i, decoded.device});
            }
        }
    }
    fields.PickMode(Mode::Remote);
    for (size_t i = 0; i < c.RemoteCount(); ++i) {
        (void)Played(ClickRemote(c, fields, static_cast<int>(i), generator_), fields, notices);
        Index({CatalogueEntry::Kind::Remote, model_, c.Remote(i).Name, "", 0, "",
               ValueKindOption::Dec, fields.output});
    }
    if (!c.AllowManual) return;
    // The Manual mode takes function codes 0-255 without a warning.
    constexpr int32_t kLargestManualCode = 255;
    for (size_t i = 0; i < c.CommandCount(); ++i) {
        const std::optional<int32_t> code = ParseHexInt32(c.Command(i).FunctionCode);
        if (!code || *code < 0 || *code > kLargestManualCode) continue;
        for (const DecodedCode& decoded : Decode(
                 ManualCode(fields, std::to_string(*code), "0", ValueKindOption::Value, notices))) {
            if (decoded.form == BuiltInForm::ValueText) manual_.push_back({i, decoded.device});
        }
    }
}

CatalogueIndex::~CatalogueIndex() = default;

void CatalogueIndex::Index(CatalogueEntry entry) {
    if (entry.code.empty()) return;  // refused; the reason has been shown
    std::vector<DecodedCode> decoded = Decode(entry.code);
    for (const DecodedCode& fields : decoded)
        byFields_[KeyOf(fields)].push_back(entries_.size());
    entries_.push_back(std::move(entry));
    fields_.push_back(std::move(decoded));
}

std::vector<DecodedCode> CatalogueIndex::Decode(const std::string& code) const {
    const Result<ProntoCode> read = ReadProntoCode(code);
    if (!read) return {};
    return DecodeDurations(MicrosOf(*read), generator_.Protocol(), generator_.Defines());
}

std::string CatalogueIndex::ManualCode(FieldRecord& fields, const std::string& code,
                                       const std::string& value, ValueKindOption kind,
                                       std::vector<Notice>& notices) {
    fields.PickMode(Mode::Manual);
    fields.SetText(Box::CodeDecimal, code);
    (void)Played(UpdateHexFromDecimal(fields), fields, notices);
    fields.SetText(Box::Value, value);
    fields.SelectKind(kind);
    fields.SetText(Box::Output, Played(RequestCode(fields, generator_), fields, notices).code);
    return fields.output;
}

void CatalogueIndex::Lookup(const std::vector<DecodedCode>& decoded,
                            std::vector<CatalogueEntry>& out, std::vector<Notice>& notices) {
    const size_t before = out.size();
    std::vector<size_t> found;
    for (const DecodedCode& fields : decoded) {
        const auto at = byFields_.find(KeyOf(fields));
        if (at == byFields_.end()) continue;
        for (const size_t i : at->second) {
            if (std::find(found.begin(), found.end(), i) == found.end()) found.push_back(i);
        }
    }
    std::sort(found.begin(), found.end());
    for (const size_t i : found)
        out.push_back(entries_[i]);
    for (const DecodedCode& fields : decoded) {
        if (fields.form == BuiltInForm::ValueText) AddRange(fields, out, notices);
    }
    if (out.size() == before) AddManual(decoded, out, notices);
}

// A range command takes a number within its range, typed into its panel.
void CatalogueIndex::AddRange(const DecodedCode& decoded, std::vector<CatalogueEntry>& out,
                              std::vector<Notice>& notices) {
    if (!IsNumericText(decoded.valueText)) return;
    for (const CommandDevice& range : ranges_) {
        if (range.device != decoded.device) continue;
        const CommandEntry& command = catalogue_->Command(range.index);
        FieldRecord fields;
        fields.selectedCommand = command.Name;
        (void)Played(ClickCommand(*catalogue_, fields).outcome, fields, notices);
        if (!CheckValue(*catalogue_, fields, decoded.valueText) ||
            Played(GenerateRangeValue(*catalogue_, fields, decoded.valueText, generator_), fields,
                   notices)
                .ValueRefused() ||
            !Holds(Decode(fields.output), decoded)) {
            continue;
        }
        out.push_back({CatalogueEntry::Kind::Range, model_, command.Name, decoded.valueText, 0, "",
                       ValueKindOption::Value, fields.output});
    }
}

// The Manual mode sends a plain value text with the Value option, any
// other value of the discrete form as a decimal number.
void CatalogueIndex::AddManual(const std::vector<DecodedCode>& decoded,
                               std::vector<CatalogueEntry>& out, std::vector<Notice>& notices) {
    const DecodedCode* fields = nullptr;
    ValueKindOption kind = ValueKindOption::Value;
    for (const DecodedCode& d : decoded) {
        if (d.form == BuiltInForm::ValueText && IsPlainText(d.valueText)) fields = &d;
    }
    for (const DecodedCode& d : decoded) {
        if (fields == nullptr && d.form == BuiltInForm::Discrete) {
            fields = &d;
            kind = ValueKindOption::Dec;
        }
    }
    if (fields == nullptr) return;
    const std::string value =
        kind == ValueKindOption::Value ? fields->valueText : std::to_string(fields->function);
    FieldRecord record;
    for (const CommandDevice& manual : manual_) {
        if (manual.device != fields->device) continue;
        const CommandEntry& command = catalogue_->Command(manual.index);
        const std::string code = std::to_string(ParseHexInt32(command.FunctionCode).value_or(0));
        const std::string made = ManualCode(record, code, value, kind, notices);
        if (!Holds(Decode(made), *fields)) continue;
        out.push_back(
            {CatalogueEntry::Kind::Manual, model_, command.Name, value, 0, code, kind, made});
    }
}

void CatalogueIndex::Nearest(const std::vector<DecodedCode>& decoded, size_t limit,
                             std::vector<NearEntry>& near) const {
    for (size_t i = 0; i < entries_.size(); ++i) {
        int bits = -1;
        for (const DecodedCode& mine : fields_[i]) {
            for (const DecodedCode& theirs : decoded) {
                if (mine.form != theirs.form) continue;
                const int apart = BitsApart(mine, theirs);
                if (bits < 0 || apart < bits) bits = apart;
            }
        }
        if (bits < 0) continue;
        const auto at =
            std::upper_bound(near.begin(), near.end(), bits,
                             [](int b, const NearEntry& entry) { return b < entry.bits; });
        if (static_cast<size_t>(at - near.begin()) >= limit) continue;
        near.insert(at, {&entries_[i], bits});
        if (near.size() > limit) near.pop_back();
    }
}

}  // namespace kestrel
