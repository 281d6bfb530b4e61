// The expression evaluator: the value of a numeric define, worked out over
// the defines table and the request values.
//
// A definition is a request value (DEVICE, FUNCTION, EXTENSION), a number,
// or an expression of 16-bit integer arithmetic and bit operations on
// decimal and hexadecimal (0X) constants and one-letter labels, with
// parentheses, "~" for a negative operand and the bit-range selector
// [lo..hi]. A failed evaluation is refused with the reason
// "Evaluation of define " + label + " failed: " + why; the encoder notes it
// and sends 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "generator/defines.h"

namespace kestrel {

// What the current request asks for. RequestFunction and the value text
// keep their contents for a request that does not set them.
struct RequestValues {
    int32_t device = 0;
    int32_t function = 0;
    std::string valueText;
    int32_t extension = 0;  // nothing sets it
};

class Evaluator {
  public:
    // What an evaluation has to say without failing (a bit range without
    // its "]") is added to notes.
    Evaluator(const DefineTable& defines, const RequestValues& request,
              std::vector<std::string>& notes)
        : defines_(defines), request_(request), notes_(notes) {}

    // The value of the define with that label; 0 when there is none.
    Result<int32_t> EvaluateDefine(std::string_view label) {
        return Evaluate(defines_.FindLabel(label));
    }
    Result<int32_t> Evaluate(DefineIndex index);

  private:
    double EvaluateExpression(const std::string& definition);

    const DefineTable& defines_;
    const RequestValues& request_;
    std::vector<std::string>& notes_;
};

}  // namespace kestrel
