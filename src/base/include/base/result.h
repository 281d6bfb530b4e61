// The outcome of an operation that can be refused: its value, or the reason
// in the words the user will read. This is the one way the program's parts
// report a refusal; the layers that talk to the user (the window, kestrel-gen,
// hex2ccf) show the reason through the display or on standard error, and
// nothing below them shows anything.
//
//   Result<int> Parse(std::string_view text) {
//       if (text.empty()) return Refused("the text is empty");
//       return 42;
//   }
//   Status Write(...);  // Result<void>: nothing to give back but success
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace kestrel {

// A refusal and its reason, convertible to any Result.
struct Refusal {
    std::string reason;
};

inline Refusal Refused(std::string reason) {
    return Refusal{std::move(reason)};
}

template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T value) : outcome_(std::move(value)) {}
    Result(Refusal refusal) : outcome_(std::move(refusal)) {}

    bool ok() const { return outcome_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The value; only when ok().
    const T& value() const& { return std::get<0>(outcome_); }
    T& value() & { return std::get<0>(outcome_); }
    T&& value() && { return std::get<0>(std::move(outcome_)); }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }
    T value_or(T otherwise) const { return ok() ? value() : std::move(otherwise); }

    // Why it was refused; only when !ok().
    const std::string& reason() const { return std::get<1>(outcome_).reason; }

  private:
    std::variant<T, Refusal> outcome_;
};

template <>
class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Refusal refusal) : refusal_(std::move(refusal)), refused_(true) {}

    bool ok() const { return !refused_; }
    explicit operator bool() const { return ok(); }
    const std::string& reason() const { return refusal_.reason; }

  private:
    Refusal refusal_;
    bool refused_ = false;
};

using Status = Result<void>;

}  // namespace kestrel
