// The expression evaluator: 16-bit integer arithmetic and bit operations on
// decimal and hexadecimal constants and one-letter labels, with parentheses
// and the bit-range selector [lo..hi], by operator precedence with an
// operator stack and a value stack.
//
//   <expression> = <operand> {<operator> <operand>}
//   <operand>    = {"~"} (<number> | <letter> | "(" <expression> ")") {"[" lo ".." hi "]"}
//   operators, loosest first: & ^ |   + -   * /   @   (all left-associative)

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "generator/evaluator.h"
#include "util/numbers.h"
#include "util/text.h"

namespace kestrel {
namespace {

// Why an evaluation failed ("Overflow", "Division by zero", ...).
struct EvaluationError {
    std::string reason;
};

constexpr const char* kOverflow = "Overflow";
constexpr const char* kDivisionByZero = "Division by zero";
constexpr const char* kStackEmpty = "Subscript out of range";

int16_t ToInt16(double value) {
    int16_t out = 0;
    if (!RoundToInt16(value, out)) throw EvaluationError{kOverflow};
    return out;
}

int OperatorPrecedence(char op) {
    switch (op) {
        case '&':
        case '^':
        case '|':
            return 2;
        case '+':
        case '-':
            return 6;
        case '*':
        case '/':
            return 8;
        case '@':
            return 10;
        case '~':
            return 12;
        default:
            return 0;  // "(" and the empty bottom element
    }
}

bool IsOperator(char c) {
    return c == '+' || c == '-' || c == '*' || c == '/' || c == '@' || c == '&' || c == '^' ||
           c == '|' || c == '~';
}

// Both stacks keep their bottom element (index 0): '\0' and 0.
struct Stacks {
    std::vector<char> ops{'\0'};
    std::vector<double> values{0.0};

    bool NoOperator() const { return ops.size() == 1; }

    void ApplyOperator() {
        if (ops.size() <= 1) throw EvaluationError{kStackEmpty};  // a ")" without "("
        const char op = ops.back();
        if (op == '~') {
            values.back() = -std::fabs(values.back());
            ops.pop_back();
            return;
        }
        const int32_t b = ToInt16(values.back());
        if (values.size() <= 1) throw EvaluationError{kStackEmpty};
        values.pop_back();
        const int32_t a = ToInt16(values.back());
        double result = a;
        switch (op) {
            case '+':
                result = a + b;
                break;
            case '-':
                result = a - b;
                break;
            case '*':
                result = static_cast<double>(a) * b;
                break;
            case '/':
                if (b == 0) throw EvaluationError{kDivisionByZero};
                result = a / b;  // truncates toward zero
                break;
            case '@':
                result = std::pow(static_cast<double>(a), static_cast<double>(b));
                break;
            case '^':
                result = a ^ b;
                break;
            case '&':
                result = a & b;
                break;
            case '|':
                result = a | b;
                break;
            default:
                break;  // an unbalanced "(" gives a
        }
        values.back() = ToInt16(result);
        ops.pop_back();
    }
};

// Bits lo..hi (1 = least significant) of value moved down to bit 1.
// Fails when the mask does not fit 16 bits (hi above 15), the value not 32
// bits, or for a division by zero (lo = 0).
double BitSlice(double value, int16_t lo, int16_t hi) {
    // The mask is a 16-bit integer: bits above 15 do not fit. Bit positions
    // below 1 add fractions that round away.
    int32_t mask = 0;
    if (lo <= hi) {
        if (hi - 1 >= 15) throw EvaluationError{kOverflow};
        for (int i = std::max(lo - 1, 0); i <= hi - 1; ++i)
            mask += 1 << i;
    }
    int32_t whole = 0;
    if (!RoundToInt32(value, whole)) throw EvaluationError{kOverflow};
    int32_t divisor = 0;
    if (!RoundToInt32(std::pow(2.0, lo - 1), divisor)) throw EvaluationError{kOverflow};
    if (divisor == 0) throw EvaluationError{kDivisionByZero};
    return static_cast<double>(ToInt16((whole & mask) / divisor));
}

}  // namespace

double Evaluator::EvaluateExpression(const std::string& definition) {
    const std::string s = UpperCase(definition);
    Stacks stacks;
    size_t i = 0;
    while (i < s.size()) {
        const char c = s[i++];
        if (IsOperator(c)) {
            if (!stacks.NoOperator() && stacks.ops.back() != '(') {
                while (!stacks.NoOperator() &&
                       OperatorPrecedence(c) <= OperatorPrecedence(stacks.ops.back())) {
                    stacks.ApplyOperator();
                }
            }
            stacks.ops.push_back(c);
        } else if (c == '(') {
            stacks.ops.push_back('(');
        } else if (c == ')') {
            while (stacks.ops.back() != '(')
                stacks.ApplyOperator();
            stacks.ops.pop_back();
        } else if (IsDigit(c)) {
            int32_t number = c - '0';
            int32_t base = 10;
            if (c == '0' && i < s.size() && s[i] == 'X') {
                base = 16;
                ++i;
            }
            while (i < s.size() && IsDigit(s[i])) {
                number = number * base + (s[i++] - '0');
                if (number > 32767) throw EvaluationError{kOverflow};
            }
            stacks.values.push_back(number);
        } else if (IsUpperLetter(c)) {
            stacks.values.push_back(defines_.ValueAt(defines_.FindLabel(std::string_view(&c, 1))));
        } else if (c == '[') {
            const size_t close = s.find(']', i);
            if (close == std::string::npos) {
                notes_.push_back("Error in evaluation of subspan in Defines, no ']' present");
                continue;
            }
            std::string selector = s.substr(i, close - i);
            i = close + 1;
            const std::string low = NextToken(selector, "..", 0);
            const int16_t lo = ToInt16(LeadingNumber(low));
            const int16_t hi = ToInt16(LeadingNumber(selector));
            stacks.values.back() = BitSlice(stacks.values.back(), lo, hi);
        }
        // Any other character, blanks included, is skipped.
    }
    while (!stacks.NoOperator())
        stacks.ApplyOperator();
    if (stacks.values.size() < 2) throw EvaluationError{kStackEmpty};
    return stacks.values[1];
}

Result<int32_t> Evaluator::Evaluate(DefineIndex index) {
    if (index == kNoDefine) return 0;
    const DefineRecord& define = defines_[index];
    switch (define.Role) {
        case DefineRole::Device:
            return request_.device;
        case DefineRole::Function:
            return request_.function;
        case DefineRole::Extension:
            return request_.extension;
        default:
            break;
    }
    try {
        double value = 0;
        if (!IsNumericText(define.Definition, &value))
            value = EvaluateExpression(define.Definition);
        int32_t result = 0;
        if (!RoundToInt32(value, result)) throw EvaluationError{kOverflow};
        return result;
    } catch (const EvaluationError& error) {
        return Refused("Evaluation of define " + define.Label + " failed: " + error.reason);
    }
}

}  // namespace kestrel
