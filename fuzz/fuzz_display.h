// A display that swallows every message, for the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "util/display.h"

namespace kestrel::fuzz {

class QuietDisplay : public Display {
  public:
    void ShowMessage(const std::string&) override {}
    void ShowStatus(const std::string&, int) override {}
    void ShowValueError() override {}
    void Delay(int) override {}
};

// Splits data into lines at LF.
inline std::vector<std::string> Lines(const uint8_t* data, size_t size) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            lines.emplace_back();
        else
            lines.back().push_back(static_cast<char>(data[i]));
    }
    return lines;
}

}  // namespace kestrel::fuzz
