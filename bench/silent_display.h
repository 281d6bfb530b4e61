// A display that drops every message, so benchmarks measure only the work.
#pragma once

#include <string>

#include "util/display.h"

namespace kestrel::bench {

class SilentDisplay : public Display {
  public:
    void ShowMessage(const std::string&) override {}
    void ShowStatus(const std::string&, int) override {}
    void ShowValueError() override {}
    void Delay(int) override {}
};

}  // namespace kestrel::bench
