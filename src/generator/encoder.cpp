// The field encoder: a form text and the request values become a list of
// signed durations in microseconds (marks positive, spaces negative).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "generator/form.h"
#include "generator/generator.h"
#include "util/display.h"
#include "util/numbers.h"
#include "util/text.h"

namespace kestrel {
namespace {

constexpr size_t kMaxCachedForms = 256;
constexpr const char* kRefused = "; no code was generated";

// A request that cannot be encoded within the limits of a code.
struct Refusal {
    std::string message;
};

bool FitsInt32(int64_t value) {
    return value >= std::numeric_limits<int32_t>::min() &&
           value <= std::numeric_limits<int32_t>::max();
}

// Messages name what did not fit: what + name ("The duration " + "9e99").
[[noreturn]] void RefuseWidth(const char* what, const std::string& name) {
    throw Refusal{what + name + " does not fit 32 bits" + kRefused};
}

int32_t RoundOrRefuse(double value, const char* what, const std::string& name = {}) {
    int32_t out = 0;
    if (!RoundToInt32(value, out)) RefuseWidth(what, name);
    return out;
}

}  // namespace

std::vector<RawToken> Generator::ParseRawSpan(std::string span) const {
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
        } else {
            token.type = RawToken::Type::Label;
            token.define = FindLabel(text);
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

const Generator::ParsedForm& Generator::ParseForm(const std::string& form) {
    if (lastForm_ != nullptr && lastForm_->first == form) return *lastForm_->second;
    const auto found = formCache_.find(form);
    if (found != formCache_.end()) {
        lastForm_ = &*found;
        return *found->second;
    }
    if (formCache_.size() >= kMaxCachedForms) {
        formCache_.clear();
        lastForm_ = nullptr;
    }

    auto parsed = std::make_unique<ParsedForm>();
    std::string rest = form;
    while (!rest.empty()) {
        std::string text = NextToken(rest, ",", 0);
        FormItem item;
        if (!text.empty() && text[0] == '[') {
            item.type = FormItem::Type::Raw;
            // The item without its first and last character; a lone "[" has no inside.
            const std::string inside = text.size() >= 2 ? text.substr(1, text.size() - 2) : "";
            item.raw = ParseRawSpan(std::string(TrimBlanks(inside)));
        } else {
            if (!text.empty() && (text[0] == '-' || text[0] == '~')) {
                item.invert = true;
                text.erase(0, 1);
            }
            item.label = NextToken(text, ":", 0);
            item.widthText = text;
            item.width = LeadingNumber(item.widthText);
            if (IsNumberToken(item.label)) {
                item.type = FormItem::Type::Literal;
                item.literal = LeadingNumber(item.label);
            } else {
                item.type = FormItem::Type::Label;
                item.define = FindLabel(item.label);
            }
        }
        parsed->items.push_back(std::move(item));
    }
    lastForm_ = &*formCache_.emplace(form, std::move(parsed)).first;
    return *lastForm_->second;
}

class Generator::Encoder {
  public:
    Encoder(Generator& generator, SpanRecord& span)
        : g_(generator),
          span_(span),
          msbFirst_(EqualsNoCase(generator.protocol_.BitOrder, "MSB")),
          timeUnit_(generator.protocol_.TimeUnit) {}

    void Run(const ParsedForm& form, int16_t repetitions) {
        for (int r = 0; r < repetitions; ++r) {
            frameTimer_ = 0;
            for (const FormItem& item : form.items)
                Item(item);
        }
    }

    int Position() const { return pos_; }

  private:
    void Item(const FormItem& item) {
        switch (item.type) {
            case FormItem::Type::Raw:
                ExpandRawSpan(item.raw);
                break;
            case FormItem::Type::Literal:
                EmitBits(RoundOrRefuse(item.literal, "The field value ", item.label), item);
                break;
            case FormItem::Type::Label:
                EmitLabelField(item);
                break;
        }
    }

    // Moves to the next element; a code holds at most kMaxDurations.
    void Advance() {
        if (pos_ >= kMaxDurations) {
            throw Refusal{"The code would hold more than " + std::to_string(kMaxDurations) +
                          " durations" + kRefused};
        }
        ++pos_;
    }

    // The element at the running position; a pad needs one to look at.
    int32_t& Current(const std::string& token) {
        if (pos_ == 0) {
            throw Refusal{"The pad " + token + " comes before the first duration" + kRefused};
        }
        return span_.Durations[pos_];
    }

    void Write(int64_t duration, const char* what, const std::string& name) {
        if (!FitsInt32(duration)) RefuseWidth(what, name);
        span_.Durations[pos_] = static_cast<int32_t>(duration);
    }

    void AddToFrame(int64_t magnitude) {
        frameTimer_ += magnitude;
        if (frameTimer_ > std::numeric_limits<int32_t>::max()) {
            throw Refusal{std::string("The frame time does not fit 32 bits") + kRefused};
        }
    }

    void EmitSymbol(const std::vector<SymbolPair>& symbol) {
        for (size_t k = 1; k < symbol.size(); ++k) {
            Advance();
            span_.Durations[pos_] = symbol[k].mark;
            Advance();
            span_.Durations[pos_] = symbol[k].space;
            AddToFrame(std::llabs(static_cast<int64_t>(symbol[k].mark)) +
                       std::llabs(static_cast<int64_t>(symbol[k].space)));
        }
    }

    void EmitBits(int32_t value, const FormItem& item) {
        int16_t width = 0;
        if (!RoundToInt16(item.width, width) || width > 31) {
            throw Refusal{"The field " + item.label + " has the width " + item.widthText +
                          "; a field has 1 to 31 bits" + kRefused};
        }
        const auto& one = item.invert ? g_.protocol_.ZeroSymbol : g_.protocol_.OneSymbol;
        const auto& zero = item.invert ? g_.protocol_.OneSymbol : g_.protocol_.ZeroSymbol;
        const uint32_t bits = static_cast<uint32_t>(value);
        for (int i = 1; i <= width; ++i) {
            const uint32_t mask = msbFirst_ ? (1u << (width - i)) : (1u << (i - 1));
            EmitSymbol((bits & mask) != 0 ? one : zero);
        }
    }

    void AddToChecksum(int64_t value) {
        if (g_.checksumIndex_ != 0) g_.defines_[g_.checksumIndex_].Value += value;
    }

    int32_t ChecksumByte() {
        if (g_.checksumIndex_ == 0) return 0;
        return RoundOrRefuse(g_.defines_[g_.checksumIndex_].Value, "The checksum") & 255;
    }

    void EmitLabelField(const FormItem& item) {
        const DefineRecord& define = g_.defines_[item.define];
        switch (define.Kind) {
            case KindNumber:
            case KindConstExpr:
            case KindFieldExpr:
            case KindField:
            case KindCheckedField: {
                const int32_t value = g_.EvaluateIndex(item.define);
                AddToChecksum(value);
                EmitBits(value, item);
                break;
            }
            case KindRaw:
                ExpandRawSpan(g_.ParseRawSpan(define.Definition));
                break;
            case KindFrameTime:
                FramePad(define.Value, item.label);
                break;
            case KindValueText: {
                for (const char c : define.Text) {
                    const int32_t code = static_cast<unsigned char>(c);
                    AddToChecksum(code);
                    EmitBits(code, item);
                }
                break;
            }
            case KindChecksum:
                EmitBits(ChecksumByte(), item);
                break;
            default:
                break;  // an undefined label sends nothing
        }
    }

    // A frame-time define: after a mark, a space that brings the frame to p;
    // a space (or a 0) is lengthened so that the frame totals p, as "^" does.
    void FramePad(double length, const std::string& token) {
        const int64_t p = RoundOrRefuse(length, "The frame time ", token);
        const int64_t current = Current(token);
        if (current > 0) {
            Advance();
            Write(frameTimer_ - p, "The frame time ", token);
        } else {
            Write(-std::llabs(p - frameTimer_ - current), "The frame time ", token);
        }
        frameTimer_ = 0;
    }

    void ExpandRawSpan(const std::vector<RawToken>& tokens) {
        for (const RawToken& token : tokens) {
            switch (token.type) {
                case RawToken::Type::Pad: {
                    if (Current(token.text) > 0) Advance();
                    const double length =
                        std::fabs(token.number - static_cast<double>(frameTimer_) -
                                  static_cast<double>(span_.Durations[pos_]));
                    Write(RoundOrRefuse(-length, "The pad ", token.text), "The pad ", token.text);
                    frameTimer_ = 0;
                    break;
                }
                case RawToken::Type::Set: {
                    if (Current(token.text) > 0) Advance();
                    Write(RoundOrRefuse(std::fabs(token.number), "The duration ", token.text),
                          "The duration ", token.text);
                    frameTimer_ = 0;
                    break;
                }
                case RawToken::Type::Number: {
                    int64_t d = RoundOrRefuse(token.number, "The duration ", token.text);
                    if (std::llabs(d) < timeUnit_) d *= timeUnit_;
                    Advance();
                    Write(d, "The duration ", token.text);
                    AddToFrame(std::llabs(d));
                    break;
                }
                case RawToken::Type::Label:
                    RawLabel(token);
                    break;
            }
        }
    }

    void RawLabel(const RawToken& token) {
        Display& display = g_.display_;
        if (token.define == 0) {
            display.ShowMessage("Name " + token.text + " Is not defined in the Defines Tables");
            return;
        }
        const DefineRecord& define = g_.defines_[token.define];
        switch (define.Kind) {
            case KindNumber:
            case KindField: {
                const int64_t d = RoundOrRefuse(define.Value, "The value of ", token.text);
                Advance();
                Write(d, "The value of ", token.text);
                AddToFrame(std::llabs(d));
                return;
            }
            case KindFrameTime:
                FramePad(define.Value, token.text);
                return;
            case KindNone:
                display.ShowMessage("Name " + token.text + " has no defined value");
                break;
            case KindRaw:
                display.ShowMessage("Raw data may not be embedded in raw data");
                break;
            default:
                display.ShowMessage("Name " + token.text + " type=" + std::to_string(define.Kind) +
                                    " has no defined meaning");
                break;
        }
        Advance();
        span_.Durations[pos_] = 0;
    }

    Generator& g_;
    SpanRecord& span_;
    const bool msbFirst_;
    const int64_t timeUnit_;
    int pos_ = 0;
    int64_t frameTimer_ = 0;
};

int Generator::EncodeForm(const std::string& form, SpanRecord& span, int16_t repetitions) {
    // Refresh the request-derived defines; the checksum starts at 0.
    const std::vector<DefineInfo>& info = Info();
    for (size_t i = 1; i < defines_.size(); ++i) {
        DefineRecord& define = defines_[i];
        switch (info[i].role) {
            case Role::Device:
                define.Value = requestDevice_;
                break;
            case Role::Function:
                define.Value = requestFunction_;
                break;
            case Role::Value:
                define.Value = requestFunction_;
                define.Text = requestValueText_;
                break;
            case Role::Extension:
                define.Value = requestExtension_;
                break;
            case Role::Checksum:
                define.Value = 0;
                break;
            case Role::Other:
                break;
        }
    }
    // Only the first Count durations of a record this generator filled can
    // be nonzero; any other record is cleared whole.
    if (&span == &span_ && span.Count >= 0) {
        std::fill_n(span.Durations.begin() + 1, span.Count, 0);
    } else {
        span.Durations.fill(0);
    }
    span.Count = 0;
    Encoder encoder(*this, span);
    try {
        encoder.Run(ParseForm(form), repetitions);
    } catch (const Refusal& refusal) {
        span.Durations.fill(0);
        display_.ShowMessage(refusal.message);
        return -1;
    }
    span.Count = static_cast<int16_t>(encoder.Position());
    return span.Count;
}

}  // namespace kestrel
