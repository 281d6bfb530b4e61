// The display operations of the command line: every message goes to
// standard error, one line each, and waits return at once.
#pragma once

#include <cstdio>
#include <string>

#include "util/display.h"

namespace kestrel {

class StderrDisplay : public Display {
  public:
    void ShowMessage(const std::string& text) override { Write(text); }
    void ShowStatus(const std::string& text, int /*seconds*/) override { Write(text); }
    void ShowValueError() override { Write("Value Error"); }
    void Delay(int /*milliseconds*/) override {}

    int MessageCount() const { return count_; }

  private:
    void Write(const std::string& text) {
        ++count_;
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fputc('\n', stderr);
    }
    int count_ = 0;
};

}  // namespace kestrel
