// What a routine over the window's fields leaves its caller to show.
//
// The routines of request.h read and write the fields through WindowFields
// and show nothing. What the user is to see goes into their Outcome, in
// order, and so does every field write that follows something to be shown:
// the window shows a notice with a wait (a flash, a message box) during
// which the user's handlers run and change the live fields, and the
// routine's write lands after them, as it did when the routine showed the
// notice itself. Nothing is copied from the fields and written back.
//
// The caller plays an outcome at once, through the same fields:
//
//   const Outcome clicked = ClickValue(catalogue, fields, row, generator);
//   clicked.Play(fields, [&](const Notice& notice) { Show(notice, display); });
#pragma once

#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "session/fields.h"
#include "util/notice.h"

namespace kestrel {

class [[nodiscard]] Outcome {
  public:
    // The code a request made; empty when it was refused or none was made.
    std::string code;

    void Show(Notice notice) { steps_.emplace_back(std::move(notice)); }
    // Shows the notice that says why the request or the value was refused;
    // nothing is shown after it.
    void Refuse(Notice notice);
    // Sets box through fields now when nothing waits to be shown, else
    // after what does.
    void SetText(WindowFields& fields, Box box, std::string text);

    // The notices in order with the field writes between them.
    void Play(WindowFields& fields, const std::function<void(const Notice&)>& show) const;
    // The same without the refusal's notice, for a caller that reports the
    // refusal itself (kestrel-gen's exit status and last message).
    void PlayNotes(WindowFields& fields, const std::function<void(const Notice&)>& show) const;

    // What is to be shown, in order.
    std::vector<Notice> Notices() const;
    // The notice of the refusal; null when nothing was refused.
    const Notice* Refusal() const;
    // The value was refused with the value error's flash.
    bool ValueRefused() const;

  private:
    struct FieldWrite {
        Box box;
        std::string text;
    };
    void Play(WindowFields& fields, const std::function<void(const Notice&)>& show,
              bool refusal) const;

    std::vector<std::variant<Notice, FieldWrite>> steps_;
    size_t refusal_ = kNone;  // the refusal's step
    static constexpr size_t kNone = static_cast<size_t>(-1);
};

}  // namespace kestrel
