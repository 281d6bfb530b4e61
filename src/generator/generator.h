// The IR code generator: one protocol record with its form texts, the
// defines table, the expression evaluator, the field encoder and the Pronto
// assembly. One Generator object owns all of that state; it is set up once
// (SetupProtocol) and then serves every request, so request values carry
// over from one request to the next.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrel {

class Display;
struct RawToken;

// Why an evaluation failed ("Overflow", "Division by zero", ...).
struct EvaluationError {
    std::string reason;
};

// Most durations a code can hold.
inline constexpr int kMaxDurations = 1000;

// A mark and a space of a bit symbol, in microseconds (space negative).
struct SymbolPair {
    int32_t mark = 0;
    int32_t space = 0;
};

// The argument of SetBitSymbols: index 0 and 1 of the one and zero symbols,
// mark and space each as single precision; index 0 is never sent.
struct BitTimings {
    struct Pair {
        float mark = 0;
        float space = 0;
    };
    std::array<Pair, 2> one{};
    std::array<Pair, 2> zero{};
};

struct ProtocolRecord {
    std::string Name;
    std::string Form;  // the current form, read by the encoder
    std::string FormDiscrete;
    std::string FormValueText;
    std::string FormRemote;
    int32_t CarrierHz = 0;
    int16_t TimeUnit = 0;
    std::vector<SymbolPair> OneSymbol;  // element 0 is never sent
    std::vector<SymbolPair> ZeroSymbol;
    std::string BitOrder;
};

enum DefineKind : int16_t {
    KindNone = 0,
    KindNumber = 1,
    KindConstExpr = 2,
    KindFieldExpr = 3,
    KindField = 4,
    KindRaw = 5,
    KindFrameTime = 6,
    KindValueText = 7,
    KindChecksum = 8,
    KindCheckedField = 9,
};

struct DefineRecord {
    std::string Label;       // upper case
    std::string Definition;  // case kept; a raw span without its brackets
    double Value = 0;
    std::string Text;
    int16_t Kind = KindNone;
};

// The encoder's output: Count durations at index 1..Count (index 0 unused).
struct SpanRecord {
    int16_t Count = 0;
    std::array<int32_t, kMaxDurations + 1> Durations{};
};

struct CodeBuffer {
    std::string Preamble;
    int16_t FrequencyWord = 0;
    int16_t OncePairs = 0;
    int16_t RepeatPairs = 0;
    int32_t PeriodMicros = 0;  // carrier period the cycle counts are based on
    // The body: one carrier-cycle count per duration, index 1..TotalCount.
    std::array<int64_t, kMaxDurations + 1> Cycles{};
    int16_t OnceCount = 0;
    int16_t RepeatCount = 0;
    int16_t TotalCount = 0;
    std::array<int32_t, kMaxDurations + 1> Durations{};
};

class Generator {
  public:
    explicit Generator(Display& display);
    ~Generator();
    Generator(const Generator&) = delete;
    Generator& operator=(const Generator&) = delete;

    // Protocol set-up.
    void SetupProtocol();
    void SetBitSymbols(const BitTimings& timings);
    void PrepareProtocol();
    void RegisterFormNames(const std::string& form);

    // Defines table.
    void AddDefine(std::string& directive, int16_t replace);
    int16_t ClassifyDefine(int16_t index);
    std::string NormaliseSpan(std::string span) const;
    int16_t FindLabel(std::string_view label) const;

    // Expression evaluator: the value of the define with that label; 0 when
    // there is none or its evaluation fails (the failure is reported).
    int32_t EvaluateDefine(std::string_view label);
    // Bits lo..hi (1 = least significant) of value moved down to bit 1.
    // Throws EvaluationError on overflow or a division by zero.
    static double BitSlice(double value, int16_t lo, int16_t hi);

    // Field encoder: returns the number of durations written, or -1 when the
    // form cannot be encoded within the limits (the reason is reported and
    // the span record's count is 0).
    int EncodeForm(const std::string& form, SpanRecord& span, int16_t repetitions);

    // Pronto assembly. GenerateCode returns the Pronto hex line, or the empty
    // text when the request is refused (the reason is reported).
    std::string GenerateCode(const std::string& form, const std::string& code,
                             const std::string& value, const std::string& kind);
    void ClearCode();
    bool LoadRequest(const std::string& code, const std::string& value, const std::string& kind);
    void BuildProntoBody();
    static int16_t ProntoFreqWord(int32_t carrierHz);
    static float ProntoCarrierHz(int32_t carrierHz);

    const ProtocolRecord& Protocol() const { return protocol_; }
    const std::vector<DefineRecord>& Defines() const { return defines_; }
    const CodeBuffer& Code() const { return code_; }
    const SpanRecord& Span() const { return span_; }
    int32_t RequestDevice() const { return requestDevice_; }
    int32_t RequestFunction() const { return requestFunction_; }
    const std::string& RequestValueText() const { return requestValueText_; }
    int32_t RequestExtension() const { return requestExtension_; }

    // A form text cut into items once; exposed for the encoder's cache.
    struct FormItem;
    struct ParsedForm;

  private:
    class Encoder;
    friend class Encoder;

    // What a define's definition stands for, worked out once per change of
    // the table so that each request does not compare texts again.
    enum class Role { Other, Device, Function, Value, Extension, Checksum };
    struct DefineInfo {
        Role role = Role::Other;
        bool numeric = false;
        double number = 0;
    };

    void AppendDefine(const std::string& label, const std::string& definition, double value,
                      int16_t kind);
    void DefinesChanged();
    const std::vector<DefineInfo>& Info();
    const ParsedForm& ParseForm(const std::string& form);
    std::vector<RawToken> ParseRawSpan(std::string span) const;
    int32_t EvaluateIndex(int16_t index);
    double EvaluateExpression(const std::string& definition);

    Display& display_;
    ProtocolRecord protocol_;
    std::vector<DefineRecord> defines_;
    int32_t requestDevice_ = 0;
    int32_t requestFunction_ = 0;
    std::string requestValueText_;
    int32_t requestExtension_ = 0;
    SpanRecord span_;
    CodeBuffer code_;
    int codeHighWater_ = 0;  // durations of code_ written since the last ClearCode

    // Caches; rebuilt whenever a define changes. They never change a result.
    std::vector<DefineInfo> info_;
    bool infoValid_ = false;
    int checksumIndex_ = 0;  // first define whose definition is CHECKSUM
    std::unordered_map<std::string, std::unique_ptr<ParsedForm>> formCache_;
    const std::pair<const std::string, std::unique_ptr<ParsedForm>>* lastForm_ = nullptr;
};

}  // namespace kestrel
