// The field encoder.

#include "generator/encoder.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <span>

#include "util/numbers.h"
#include "util/text.h"

namespace kestrel {
namespace {

// Messages name what did not fit: what + name ("The duration " + "9e99").
[[noreturn]] void RefuseWidth(const char* what, const std::string& name) {
    throw Refusal{what + name + " does not fit 32 bits" + kNoCodeGenerated};
}

int32_t RoundOrRefuse(double value, const char* what, const std::string& name = {}) {
    int32_t out = 0;
    if (!RoundToInt32(value, out)) RefuseWidth(what, name);
    return out;
}

int32_t FitOrRefuse(int64_t value, const char* what, const std::string& name) {
    if (value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        RefuseWidth(what, name);
    }
    return static_cast<int32_t>(value);
}

}  // namespace

// One run of the encoder over a form: its output and the running frame time.
class Encoder::Run {
  public:
    Run(Encoder& encoder, DurationBuffer& out)
        : e_(encoder),
          out_(out),
          msbFirst_(encoder.protocol_.MsbFirst),
          timeUnit_(encoder.protocol_.TimeUnit),
          oneSymbol_(encoder.protocol_.OneSymbol),
          zeroSymbol_(encoder.protocol_.ZeroSymbol) {
        if (oneSymbol_.size() == 1 && zeroSymbol_.size() == 1) {
            onePair_ = &oneSymbol_[0];
            zeroPair_ = &zeroSymbol_[0];
            oneLength_ = Length(*onePair_);
            zeroLength_ = Length(*zeroPair_);
        }
    }

    void Form(const ParsedForm& form, int repetitions) {
        for (int r = 0; r < repetitions; ++r) {
            frameTimer_ = 0;
            for (const FormItem& item : form)
                Item(item);
        }
    }

  private:
    void Item(const FormItem& item) {
        switch (item.type) {
            case FormItem::Type::Raw:
                ExpandRawSpan(item.raw);
                break;
            case FormItem::Type::Literal:
                if (!item.literal) RefuseWidth("The field value ", item.label);
                EmitBits(*item.literal, item);
                break;
            case FormItem::Type::Label:
                EmitLabelField(item);
                break;
        }
    }

    // The duration a pad looks at; a pad cannot come first.
    int32_t Last(const std::string& token) const {
        if (out_.Empty()) {
            throw Refusal{"The pad " + token + " comes before the first duration" +
                          kNoCodeGenerated};
        }
        return out_.Last();
    }

    void AddToFrame(int64_t magnitude) {
        frameTimer_ += magnitude;
        if (frameTimer_ > std::numeric_limits<int32_t>::max()) RefuseFrame();
    }
    [[noreturn]] static void RefuseFrame() {
        throw Refusal{std::string("The frame time does not fit 32 bits") + kNoCodeGenerated};
    }

    static int64_t Length(const SymbolPair& pair) {
        return std::llabs(static_cast<int64_t>(pair.mark)) +
               std::llabs(static_cast<int64_t>(pair.space));
    }

    void EmitSymbol(std::span<const SymbolPair> symbol) {
        for (const SymbolPair& pair : symbol) {
            out_.AppendPair(pair.mark, pair.space);
            AddToFrame(Length(pair));
        }
    }

    // The low width bits of value; an inverted field swaps the symbols.
    void EmitBits(int32_t value, const FormItem& item) {
        const int width = item.width.value_or(32);
        if (width > 31) {
            throw Refusal{"The field " + item.label + " has the width " + item.widthText +
                          "; a field has 1 to 31 bits" + kNoCodeGenerated};
        }
        const auto bits = static_cast<uint32_t>(value);
        if (onePair_ == nullptr) {
            for (int i = 1; i <= width; ++i) {
                const bool one = ((bits >> BitAt(i, width)) & 1) != item.invert;
                EmitSymbol(one ? oneSymbol_ : zeroSymbol_);
            }
            return;
        }
        // Symbols of one pair each, as most protocols have.
        const SymbolPair pairs[2] = {*zeroPair_, *onePair_};
        const int64_t lengths[2] = {zeroLength_, oneLength_};
        const bool msbFirst = msbFirst_;
        int64_t frame = frameTimer_;
        for (int i = 1; i <= width; ++i) {
            const int bit = msbFirst ? width - i : i - 1;
            const int one = static_cast<int>(((bits >> bit) & 1) != item.invert);
            out_.AppendPair(pairs[one].mark, pairs[one].space);
            frame += lengths[one];
            if (frame > std::numeric_limits<int32_t>::max()) RefuseFrame();
        }
        frameTimer_ = frame;
    }

    // The bit sent i-th (from 1) of a field of width bits.
    int BitAt(int i, int width) const { return msbFirst_ ? width - i : i - 1; }

    void AddToChecksum(int64_t value) {
        DefineTable& defines = e_.defines_;
        const DefineIndex index = defines.ChecksumIndex();
        if (index != kNoDefine) defines.SetValue(index, defines[index].Value + value);
    }

    int32_t ChecksumByte() const {
        const DefineIndex index = e_.defines_.ChecksumIndex();
        if (index == kNoDefine) return 0;
        return RoundOrRefuse(e_.defines_[index].Value, "The checksum") & 255;
    }

    // A field with a label sends what its define's kind says; a label
    // without a define sends nothing.
    void EmitLabelField(const FormItem& item) {
        switch (e_.defines_.KindAt(item.define)) {
            case DefineKind::Number:
            case DefineKind::ConstExpr:
            case DefineKind::FieldExpr:
            case DefineKind::Field:
            case DefineKind::CheckedField: {
                const Result<int32_t> evaluated = e_.evaluator_.Evaluate(item.define);
                if (!evaluated) e_.notes_.push_back(evaluated.reason());
                const int32_t value = evaluated.value_or(0);
                AddToChecksum(value);
                EmitBits(value, item);
                break;
            }
            case DefineKind::Raw:
                ExpandRawSpan(CutRawSpan(e_.defines_[item.define].Definition, e_.defines_));
                break;
            case DefineKind::FrameTime:
                FramePad(e_.defines_[item.define].Value, item.label);
                break;
            case DefineKind::ValueText: {
                for (const char c : e_.defines_[item.define].Text) {
                    const int32_t code = static_cast<unsigned char>(c);
                    AddToChecksum(code);
                    EmitBits(code, item);
                }
                break;
            }
            case DefineKind::Checksum:
                EmitBits(ChecksumByte(), item);
                break;
            case DefineKind::None:
                break;
        }
    }

    // A frame-time define: after a mark, a space that brings the frame to p;
    // a space (or a 0) is lengthened so that the frame totals p, as "^" does.
    void FramePad(double length, const std::string& token) {
        const int64_t p = RoundOrRefuse(length, "The frame time ", token);
        const int64_t last = Last(token);
        if (last > 0) {
            out_.Append(0);
            out_.SetLast(FitOrRefuse(frameTimer_ - p, "The frame time ", token));
        } else {
            out_.SetLast(
                FitOrRefuse(-std::llabs(p - frameTimer_ - last), "The frame time ", token));
        }
        frameTimer_ = 0;
    }

    void ExpandRawSpan(const std::vector<RawToken>& tokens) {
        for (const RawToken& token : tokens) {
            switch (token.type) {
                case RawToken::Type::Pad: {
                    // After a mark a new space; a space is lengthened.
                    if (Last(token.text) > 0) out_.Append(0);
                    const double length =
                        std::fabs(token.number - static_cast<double>(frameTimer_) -
                                  static_cast<double>(out_.Last()));
                    out_.SetLast(RoundOrRefuse(-length, "The pad ", token.text));
                    frameTimer_ = 0;
                    break;
                }
                case RawToken::Type::Set: {
                    if (Last(token.text) > 0) out_.Append(0);
                    out_.SetLast(
                        RoundOrRefuse(std::fabs(token.number), "The duration ", token.text));
                    frameTimer_ = 0;
                    break;
                }
                case RawToken::Type::Number: {
                    if (!token.whole) RefuseWidth("The duration ", token.text);
                    const int64_t d = DurationInMicros(*token.whole, timeUnit_);
                    out_.Append(0);
                    out_.SetLast(FitOrRefuse(d, "The duration ", token.text));
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
        std::vector<std::string>& notes = e_.notes_;
        if (token.define == kNoDefine) {
            notes.push_back("Name " + token.text + " Is not defined in the Defines Tables");
            return;
        }
        const DefineRecord& define = e_.defines_[token.define];
        switch (define.Kind) {
            case DefineKind::Number:
            case DefineKind::Field: {
                const int32_t d = RoundOrRefuse(define.Value, "The value of ", token.text);
                out_.Append(d);
                AddToFrame(std::llabs(static_cast<int64_t>(d)));
                return;
            }
            case DefineKind::FrameTime:
                FramePad(define.Value, token.text);
                return;
            case DefineKind::None:
                notes.push_back("Name " + token.text + " has no defined value");
                break;
            case DefineKind::Raw:
                notes.push_back("Raw data may not be embedded in raw data");
                break;
            default:
                notes.push_back("Name " + token.text +
                                " type=" + std::to_string(static_cast<int>(define.Kind)) +
                                " has no defined meaning");
                break;
        }
        out_.Append(0);
    }

    Encoder& e_;
    DurationBuffer& out_;
    const bool msbFirst_;
    const int64_t timeUnit_;
    const std::span<const SymbolPair> oneSymbol_;
    const std::span<const SymbolPair> zeroSymbol_;
    const SymbolPair* onePair_ = nullptr;  // when both symbols are one pair
    const SymbolPair* zeroPair_ = nullptr;
    int64_t oneLength_ = 0, zeroLength_ = 0;
    int64_t frameTimer_ = 0;
};

Encoder::Encoder(const ProtocolRecord& protocol, DefineTable& defines, const RequestValues& request,
                 Evaluator& evaluator, std::vector<std::string>& notes)
    : protocol_(protocol),
      defines_(defines),
      request_(request),
      evaluator_(evaluator),
      notes_(notes) {}

Status Encoder::EncodeForm(const std::string& form, DurationBuffer& out, int repetitions) {
    // The request-derived defines; the checksum starts at 0.
    for (size_t i = 0; i < defines_.size(); ++i) {
        const auto index = static_cast<DefineIndex>(i);
        switch (defines_[index].Role) {
            case DefineRole::Device:
                defines_.SetValue(index, request_.device);
                break;
            case DefineRole::Function:
                defines_.SetValue(index, request_.function);
                break;
            case DefineRole::Value:
                defines_.SetValue(index, request_.function);
                defines_.SetText(index, request_.valueText);
                break;
            case DefineRole::Extension:
                defines_.SetValue(index, request_.extension);
                break;
            case DefineRole::Checksum:
                defines_.SetValue(index, 0);
                break;
            case DefineRole::Other:
                break;
        }
    }
    out.Clear();
    try {
        Run(*this, out).Form(forms_.Cut(form, defines_), repetitions);
    } catch (const Refusal& refusal) {
        out.Clear();
        return refusal;
    }
    return {};
}

}  // namespace kestrel
