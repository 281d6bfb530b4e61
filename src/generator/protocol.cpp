// The built-in protocol and the form notation.

#include "generator/protocol.h"

#include <iterator>

#include "util/numbers.h"
#include "util/text.h"

namespace kestrel {
namespace {

// Pulse-width bit symbols in microseconds: a 1 is 575 mark + 1700 space,
// a 0 is 575 mark + 550 space.
constexpr float kMark = 575, kOneSpace = -1700, kZeroSpace = -550;

int32_t RoundSymbol(float value) {
    int32_t out = 0;
    // Symbol values beyond 32 bits cannot come from the built-in data.
    if (!RoundToInt32(value, out)) out = 0;
    return out;
}

// value rounded halves to even when it fits T.
template <typename T>
std::optional<T> Rounded(double value) {
    T out = 0;
    bool fits = false;
    if constexpr (sizeof(T) == 2) {
        fits = RoundToInt16(value, out);
    } else {
        fits = RoundToInt32(value, out);
    }
    return fits ? std::optional<T>(out) : std::nullopt;
}

std::vector<SymbolPair> RoundPairs(const std::vector<BitTimings::Pair>& pairs) {
    std::vector<SymbolPair> out;
    for (const BitTimings::Pair& pair : pairs)
        out.push_back({RoundSymbol(pair.mark), RoundSymbol(pair.space)});
    return out;
}

bool IsReservedItem(const std::string& item) {
    return EqualsNoCase(item, "R_") || EqualsNoCase(item, "R*") || item == "_" || item == "*" ||
           (!item.empty() && item.back() == '}');
}

// FormWord and FormText find a form's row at its place.
constexpr bool RowsInFormOrder() {
    for (size_t i = 0; i < std::size(kBuiltInForms); ++i) {
        if (static_cast<size_t>(kBuiltInForms[i].form) != i) return false;
    }
    return true;
}
static_assert(RowsInFormOrder());

const BuiltInFormRow& RowOf(BuiltInForm form) {
    return kBuiltInForms[static_cast<size_t>(form)];
}

}  // namespace

const char* FormWord(BuiltInForm form) {
    return RowOf(form).word;
}

std::optional<BuiltInForm> FormNamed(std::string_view word) {
    for (const BuiltInFormRow& row : kBuiltInForms) {
        if (EqualsNoCase(word, row.word)) return row.form;
    }
    return std::nullopt;
}

const std::string& FormText(const ProtocolRecord& protocol, BuiltInForm form) {
    return protocol.*RowOf(form).text;
}

std::string FormWords() {
    std::string words;
    for (const BuiltInFormRow& row : kBuiltInForms)
        words += (words.empty() ? "" : ", ") + std::string(row.word);
    return words;
}

ProtocolRecord BuiltInProtocol() {
    ProtocolRecord protocol;
    protocol.MsbFirst = false;
    protocol.Name = "DUDAZOR";
    protocol.CarrierHz = 38380;
    protocol.FormDiscrete = "[2600 -2600],D:8,F:8,E:8,[1760 -1760 560 -25]";
    protocol.FormValueText = "[2600 -2600],D:8,V:8,E:8,[1760 -1760 560 -25]";
    protocol.FormRemote = "[8900 -4425],d:16,f:8,-f:8,[575 -44925 8900 -2200 575 -4425]";
    protocol.Form = protocol.FormDiscrete;
    BitTimings timings;
    timings.one = {{kMark, kOneSpace}};
    timings.zero = {{kMark, kZeroSpace}};
    SetBitSymbols(protocol, timings);
    return protocol;
}

void SetBitSymbols(ProtocolRecord& protocol, const BitTimings& timings) {
    protocol.OneSymbol = RoundPairs(timings.one);
    protocol.ZeroSymbol = RoundPairs(timings.zero);
    protocol.TimeUnit = 1;
}

std::vector<RawToken> CutRawSpan(std::string span, const DefineTable& defines) {
    std::vector<RawToken> tokens;
    while (!span.empty()) {
        RawToken token;
        token.text = NextToken(span, " ", 0);
        const std::string_view text = token.text;
        if (!text.empty() && text[0] == '^') {
            token.type = RawToken::Type::Pad;
            token.number = LeadingNumber(text.substr(1));
        } else if (!text.empty() && text[0] == '#') {
            token.type = RawToken::Type::Set;
            token.number = LeadingNumber(text.substr(1));
        } else if (IsNumberToken(text)) {
            token.type = RawToken::Type::Number;
            token.number = LeadingNumber(text);
            token.whole = Rounded<int32_t>(token.number);
        } else {
            token.type = RawToken::Type::Label;
            token.define = defines.FindLabel(text);
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

ParsedForm CutForm(const std::string& form, const DefineTable& defines) {
    ParsedForm items;
    std::string rest = form;
    while (!rest.empty()) {
        std::string text = NextToken(rest, ",", 0);
        FormItem item;
        if (!text.empty() && text[0] == '[') {
            item.type = FormItem::Type::Raw;
            // The item without its first and last character; a lone "[" has no inside.
            const std::string inside = text.size() >= 2 ? text.substr(1, text.size() - 2) : "";
            item.raw = CutRawSpan(std::string(TrimBlanks(inside)), defines);
        } else {
            if (!text.empty() && (text[0] == '-' || text[0] == '~')) {
                item.invert = true;
                text.erase(0, 1);
            }
            item.label = NextToken(text, ":", 0);
            item.widthText = text;
            item.width = Rounded<int16_t>(LeadingNumber(item.widthText));
            if (IsNumberToken(item.label)) {
                item.type = FormItem::Type::Literal;
                item.literal = Rounded<int32_t>(LeadingNumber(item.label));
            } else {
                item.type = FormItem::Type::Label;
                item.define = defines.FindLabel(item.label);
            }
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<std::string> FormNames(const std::string& form) {
    std::vector<std::string> names;
    std::string rest = form;
    while (!rest.empty()) {
        std::string item = NextToken(rest, ",", 0);
        if (item.find(':') != std::string::npos) {
            std::string name = UpperCase(NextToken(item, ":", 0));
            if (!name.empty() && (name[0] == '-' || name[0] == '+')) name.erase(0, 1);
            if (!IsNumericText(name)) names.push_back(std::move(name));
        } else if (!IsReservedItem(item) && (item.empty() || item.front() != '[')) {
            names.push_back(UpperCase(item));
        }
    }
    return names;
}

const ParsedForm& FormCache::Cut(const std::string& form, const DefineTable& defines) {
    if (version_ != defines.Version()) {
        forms_.clear();
        last_ = nullptr;
        version_ = defines.Version();
    }
    if (last_ != nullptr && last_->first == form) return last_->second;
    const auto found = forms_.find(form);
    if (found != forms_.end()) {
        last_ = &*found;
        return found->second;
    }
    if (forms_.size() >= kMaxForms) {
        forms_.clear();
        last_ = nullptr;
    }
    last_ = &*forms_.emplace(form, CutForm(form, defines)).first;
    return last_->second;
}

}  // namespace kestrel
