// The decoder: the encoder's walk over a form, expecting instead of writing.

#include "generator/decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "util/text.h"

namespace kestrel {
namespace {

// One walk of a form over the durations, from the first.
class FormMatch {
  public:
    FormMatch(std::span<const int64_t> durations, const ProtocolRecord& protocol,
              const DefineTable& defines, DecodeEnd end)
        : in_(durations),
          protocol_(protocol),
          defines_(defines),
          msbFirst_(protocol.MsbFirst),
          end_(end) {}

    // The fields of form when the durations follow it to the end.
    std::optional<DecodedCode> Match(const ParsedForm& form) {
        for (size_t i = 0; i < form.size(); ++i) {
            if (!Item(form, i)) return std::nullopt;
            if (cut_) return RestKnown(form, i + 1) ? std::optional(code_) : std::nullopt;
        }
        if (pos_ != in_.size()) return std::nullopt;
        return code_;
    }

  private:
    bool Item(const ParsedForm& form, size_t index) {
        const FormItem& item = form[index];
        if (item.type == FormItem::Type::Raw) return Raw(item.raw, index + 1 == form.size());
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

    // A raw span's numbers, scaled by the time unit as the encoder does. A
    // capture may end where the span expects a gap or the form's last space.
    bool Raw(const std::vector<RawToken>& tokens, bool lastItem) {
        for (size_t t = 0; t < tokens.size(); ++t) {
            if (end_ != DecodeEnd::Exact && pos_ == in_.size() && CutBefore(tokens, t, lastItem)) {
                cut_ = true;
                return true;
            }
            const std::optional<int64_t> expected = Expected(tokens[t]);
            if (!expected || !Expect(*expected)) return false;
        }
        return true;
    }

    // A number token's duration, scaled by the time unit.
    std::optional<int64_t> Expected(const RawToken& token) const {
        if (token.type != RawToken::Type::Number || !token.whole) return std::nullopt;
        return DurationInMicros(*token.whole, protocol_.TimeUnit);
    }

    // Whether a capture may end before token t of a raw span: at a gap, or
    // at the form's last duration when that is a space.
    bool CutBefore(const std::vector<RawToken>& tokens, size_t t, bool lastItem) const {
        const std::optional<int64_t> expected = Expected(tokens[t]);
        const bool finalSpace = lastItem && t + 1 == tokens.size();
        return expected && *expected < 0 &&
               (finalSpace || (end_ == DecodeEnd::Capture && -*expected >= kCaptureGapMicros));
    }

    // After a capture's cut: the items from index on send nothing unread.
    bool RestKnown(const ParsedForm& form, size_t index) const {
        for (size_t i = index; i < form.size(); ++i) {
            const FormItem& item = form[i];
            if (item.type == FormItem::Type::Raw) continue;
            if (item.type != FormItem::Type::Label || item.define == kNoDefine) return false;
            const DefineRole role = defines_[item.define].Role;
            if ((role != DefineRole::Device && role != DefineRole::Function) ||
                seen_[item.define] == 0) {
                return false;
            }
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
    // for the items after it (up to where a capture may end).
    bool Text(const ParsedForm& form, size_t index) {
        const FormItem& item = form[index];
        const size_t symbol = SymbolLength();
        size_t after = 0;
        std::vector<size_t> cuts;  // durations after the text up to each possible cut
        for (size_t i = index + 1; i < form.size(); ++i) {
            const FormItem& next = form[i];
            if (next.type == FormItem::Type::Raw) {
                for (size_t t = 0; end_ != DecodeEnd::Exact && t < next.raw.size(); ++t) {
                    if (CutBefore(next.raw, t, i + 1 == form.size())) cuts.push_back(after + t);
                }
                after += next.raw.size();
            } else if (next.define != kNoDefine &&
                       defines_[next.define].Role == DefineRole::Value) {
                return false;  // two texts cannot be told apart
            } else {
                after += static_cast<size_t>(next.width.value_or(0)) * symbol;
            }
        }
        if (symbol == 0) return false;
        const size_t perCharacter = static_cast<size_t>(*item.width) * symbol;
        const size_t left = in_.size() - pos_;
        cuts.insert(cuts.begin(), after);
        const auto fits = std::find_if(cuts.begin(), cuts.end(), [&](size_t rest) {
            return left >= rest && (left - rest) % perCharacter == 0;
        });
        if (fits == cuts.end()) return false;
        for (size_t n = (left - *fits) / perCharacter; n > 0; --n) {
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
        if (pos_ == in_.size()) return false;
        const int64_t actual = in_[pos_];
        if ((actual > 0) != (expected > 0)) return false;
        if (!WithinTolerance(std::llabs(actual), std::llabs(expected))) return false;
        ++pos_;
        return true;
    }

    std::span<const int64_t> in_;
    const ProtocolRecord& protocol_;
    const DefineTable& defines_;
    const bool msbFirst_;
    const DecodeEnd end_;
    bool cut_ = false;  // the capture ended inside the form
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
                                         const ProtocolRecord& protocol, const DefineTable& defines,
                                         DecodeEnd end) {
    std::vector<DecodedCode> matches;
    const auto walk = [&](std::span<const int64_t> in, DecodeEnd how) {
        for (const BuiltInFormRow& form : kBuiltInForms) {
            std::optional<DecodedCode> code =
                FormMatch(in, protocol, defines, how).Match(CutForm(protocol.*form.text, defines));
            if (code) {
                code->form = form.form;
                matches.push_back(std::move(*code));
            }
        }
    };
    walk(durations, end);
    // A code read from a file may come with its final space lengthened,
    // shortened or left out (the gap after it): failing an exact match, it
    // is read again without it.
    if (matches.empty() && end == DecodeEnd::Exact && !durations.empty()) {
        walk(durations.back() < 0 ? durations.first(durations.size() - 1) : durations,
             DecodeEnd::FinalSpace);
    }
    return matches;
}

}  // namespace kestrel
