// The decoder: the encoder's walk over a form, expecting instead of writing.

#include "generator/decoder.h"

#include <cmath>
#include <cstdlib>
#include <optional>

#include "util/text.h"

namespace kestrel {
namespace {

// One walk of a form over the durations, from the first.
class FormMatch {
  public:
    // gapEnd: the form's final space is not compared (the durations come
    // without theirs).
    FormMatch(std::span<const int64_t> durations, const ProtocolRecord& protocol,
              const DefineTable& defines, bool gapEnd)
        : gapEnd_(gapEnd),
          in_(durations),
          protocol_(protocol),
          defines_(defines),
          msbFirst_(EqualsNoCase(protocol.BitOrder, "MSB")) {}

    // The fields of form when the durations follow it to the end.
    std::optional<DecodedCode> Match(const ParsedForm& form) {
        for (size_t i = 0; i < form.size(); ++i) {
            if (!Item(form, i)) return std::nullopt;
        }
        if (pos_ != in_.size()) return std::nullopt;
        return code_;
    }

  private:
    bool Item(const ParsedForm& form, size_t index) {
        const FormItem& item = form[index];
        if (item.type == FormItem::Type::Raw) return Raw(item.raw);
        if (!item.width || *item.width < 1 || *item.width > 31) return false;
        if (item.type == FormItem::Type::Literal) {
            const std::optional<uint32_t> bits = Bits(item);
            return item.literal && bits &&
                   *bits == (static_cast<uint32_t>(*item.literal) & Mask(item));
        }
        if (item.define == kNoDefine) return false;
        switch (defines_[item.define].Role) {
            case DefineRole::Device:
                return Field(item, code_.device);
            case DefineRole::Function:
                return Field(item, code_.function);
            case DefineRole::Value:
                return Text(form, index);
            case DefineRole::Checksum: {
                const std::optional<uint32_t> bits = Bits(item);
                return bits && *bits == ((checksum_ & 255) & Mask(item));
            }
            default:
                return false;  // a label no request sets
        }
    }

    // A raw span's numbers, scaled by the time unit as the encoder does.
    bool Raw(const std::vector<RawToken>& tokens) {
        for (const RawToken& token : tokens) {
            if (token.type != RawToken::Type::Number || !token.whole) return false;
            int64_t expected = *token.whole;
            if (std::llabs(expected) < protocol_.TimeUnit) expected *= protocol_.TimeUnit;
            if (!Expect(expected)) return false;
        }
        return true;
    }

    // A device or function field; a label sent twice reads the same.
    bool Field(const FormItem& item, uint32_t& out) {
        const std::optional<uint32_t> bits = Bits(item);
        if (!bits) return false;
        checksum_ += *bits;
        if (seen_[item.define]++ > 0) return *bits == out;
        out = *bits;
        return true;
    }

    // The value text: as many characters of the field's width as leave room
    // for the items after it.
    bool Text(const ParsedForm& form, size_t index) {
        const FormItem& item = form[index];
        const size_t symbol = SymbolLength();
        size_t after = 0;
        for (size_t i = index + 1; i < form.size(); ++i) {
            const FormItem& next = form[i];
            if (next.type == FormItem::Type::Raw) {
                after += next.raw.size();
            } else if (next.define != kNoDefine &&
                       defines_[next.define].Role == DefineRole::Value) {
                return false;  // two texts cannot be told apart
            } else {
                after += static_cast<size_t>(next.width.value_or(0)) * symbol;
            }
        }
        // Without the final space, when the form ends with one (a raw span's
        // negative number, or a bit symbol).
        const FormItem& last = form.back();
        const bool spaceLast = last.type != FormItem::Type::Raw ||
                               (!last.raw.empty() && last.raw.back().whole.value_or(0) < 0);
        if (gapEnd_ && spaceLast && after > 0) --after;
        const size_t perCharacter = static_cast<size_t>(*item.width) * symbol;
        const size_t left = in_.size() - pos_;
        if (symbol == 0 || left < after || (left - after) % perCharacter != 0) return false;
        for (size_t n = (left - after) / perCharacter; n > 0; --n) {
            const std::optional<uint32_t> bits = Bits(item);
            if (!bits) return false;
            code_.valueText += static_cast<char>(*bits & 255);
            checksum_ += *bits;
        }
        return true;
    }

    // Durations a bit takes; 0 when the one and the zero differ in length.
    size_t SymbolLength() const {
        const size_t pairs = protocol_.OneSymbol.size();
        return pairs == protocol_.ZeroSymbol.size() ? 2 * pairs : 0;
    }

    static uint32_t Mask(const FormItem& item) { return (uint32_t{1} << *item.width) - 1; }

    // The field's bits, inverted back for an inverted field.
    std::optional<uint32_t> Bits(const FormItem& item) {
        const int width = *item.width;
        uint32_t value = 0;
        for (int i = 1; i <= width; ++i) {
            const std::optional<bool> one = Bit();
            if (!one) return std::nullopt;
            if (*one != item.invert) value |= uint32_t{1} << (msbFirst_ ? width - i : i - 1);
        }
        return value;
    }

    std::optional<bool> Bit() {
        if (Symbol(protocol_.OneSymbol)) return true;
        if (Symbol(protocol_.ZeroSymbol)) return false;
        return std::nullopt;
    }

    bool Symbol(const std::vector<SymbolPair>& symbol) {
        const size_t start = pos_;
        for (const SymbolPair& pair : symbol) {
            if (!Expect(pair.mark) || !Expect(pair.space)) {
                pos_ = start;
                return false;
            }
        }
        return true;
    }

    // The next duration: a mark where a mark is expected, a space where a
    // space is, within tolerance.
    bool Expect(int64_t expected) {
        if (pos_ == in_.size()) {
            // Past the end only the form's final space, once.
            if (!gapEnd_ || expected > 0 || gapTaken_) return false;
            gapTaken_ = true;
            return true;
        }
        const int64_t actual = in_[pos_];
        if ((actual > 0) != (expected > 0)) return false;
        if (!WithinTolerance(std::llabs(actual), std::llabs(expected))) return false;
        ++pos_;
        return true;
    }

    const bool gapEnd_;
    bool gapTaken_ = false;
    std::span<const int64_t> in_;
    const ProtocolRecord& protocol_;
    const DefineTable& defines_;
    const bool msbFirst_;
    size_t pos_ = 0;
    DecodedCode code_;
    uint64_t checksum_ = 0;
    std::vector<int> seen_ = std::vector<int>(defines_.size(), 0);
};

}  // namespace

bool WithinTolerance(int64_t actual, int64_t expected) {
    const int64_t off = std::llabs(actual - expected);
    return off <= kToleranceMicros || off * 100 <= std::llabs(expected) * kTolerancePercent;
}

std::vector<int64_t> MicrosOf(const std::vector<uint32_t>& words, double periodMicros) {
    std::vector<int64_t> micros;
    micros.reserve(words.size());
    for (size_t i = 0; i < words.size(); ++i) {
        const auto length = static_cast<int64_t>(std::nearbyint(words[i] * periodMicros));
        micros.push_back(i % 2 == 0 ? length : -length);
    }
    return micros;
}

std::vector<int64_t> MicrosOf(const ProntoCode& code) {
    std::vector<int64_t> micros = MicrosOf(code.once, code.PeriodMicros());
    const std::vector<int64_t> repeat = MicrosOf(code.repeat, code.PeriodMicros());
    micros.insert(micros.end(), repeat.begin(), repeat.end());
    return micros;
}

std::vector<DecodedCode> DecodeDurations(std::span<const int64_t> durations,
                                         const ProtocolRecord& protocol,
                                         const DefineTable& defines) {
    std::vector<DecodedCode> matches;
    for (const bool gapEnd : {false, true}) {
        std::span<const int64_t> in = durations;
        if (gapEnd && !in.empty() && in.back() < 0) in = in.first(in.size() - 1);
        for (const BuiltInForm form : kBuiltInForms) {
            std::optional<DecodedCode> code =
                FormMatch(in, protocol, defines, gapEnd)
                    .Match(CutForm(FormText(protocol, form), defines));
            if (code) {
                code->form = form;
                matches.push_back(std::move(*code));
            }
        }
        if (!matches.empty()) break;
    }
    return matches;
}

}  // namespace kestrel
