// The IR code generator: one request (a form, a device code, a value and
// its kind) in, one line of Pronto hex out.
//
// One Generator owns the protocol record, the defines table and the request
// values. It is set up once (SetupProtocol) and then serves every request,
// so request values carry over from one request to the next. Its parts:
//   protocol.h   the protocol record and the form notation
//   defines.h    the defines table
//   evaluator.h  the expression evaluator
//   encoder.h    the field encoder (durations.h: the durations of a code)
//   pronto.h     the Pronto assembly (pronto_format.h: the format's constants)
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "generator/defines.h"
#include "generator/encoder.h"
#include "generator/evaluator.h"
#include "generator/pronto.h"
#include "generator/protocol.h"

namespace kestrel {

// A result with the notes of its making: messages that did not stop the
// operation (a failed evaluation sends 0 and the code is still made), in the
// order they arose, for the caller to show before the result.
template <typename T>
struct Noted {
    Result<T> result;
    std::vector<std::string> notes;
};

// What the generator refuses or notes is worded for the user; it shows
// nothing itself. A refusal is the result's reason; the notes come with the
// result.
class Generator {
  public:
    Generator();
    Generator(const Generator&) = delete;
    Generator& operator=(const Generator&) = delete;

    // Fills the protocol record and the defines table with the built-in
    // protocol; its notes.
    std::vector<std::string> SetupProtocol();

    // The DEFINES directive (see DefineTable::AddDefine); the directive is
    // consumed.
    Status AddDefine(std::string& directive, bool replace);

    // The Pronto hex line for one request, or the reason it is refused.
    // kind is "A" (the value's first character), "H" (hexadecimal), "D"
    // (decimal) or anything else (the value is a text); code is the device
    // code in decimal.
    Noted<std::string> GenerateCode(std::string_view form, std::string_view code,
                                    std::string_view value, std::string_view kind);

    // The value of a define for the last request; 0 when there is none.
    Noted<int32_t> EvaluateDefine(std::string_view label);

    const ProtocolRecord& Protocol() const { return protocol_; }
    const DefineTable& Defines() const { return defines_; }
    // The durations of the last code made; empty after a refusal.
    std::span<const int32_t> Durations() const { return durations_.Durations(); }

  private:
    void PrepareProtocol();
    Result<std::string> Generate(std::string_view form, std::string_view code,
                                 std::string_view value, std::string_view kind);
    Status LoadRequest(std::string_view code, std::string_view value, std::string_view kind);

    // Where the evaluator and the encoder note, during one call.
    std::vector<std::string> notes_;
    ProtocolRecord protocol_;
    DefineTable defines_;
    RequestValues request_;
    Evaluator evaluator_;
    Encoder encoder_;
    DurationBuffer durations_;
    ProntoAssembler pronto_;
};

}  // namespace kestrel
