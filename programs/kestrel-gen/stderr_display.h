// The display operations of the command line: every message goes to
// standard error, one line each, after the program's name; waits return at
// once.
//
// Where a run repeats a message for every sample (Gen ALL's "Illegal call
// to Hex2Int with value 1A2"), CountRepeats holds the messages back and
// Flush shows each once, in the order they first came, with its count:
// "Illegal call to Hex2Int with value 1A2 (60,000 times)".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "display/display.h"

namespace kestrel {

inline constexpr const char* kProgramPrefix = "kestrel-gen: ";

class StderrDisplay : public Display {
  public:
    StderrDisplay() = default;
    StderrDisplay(const StderrDisplay&) = delete;
    StderrDisplay& operator=(const StderrDisplay&) = delete;
    ~StderrDisplay() override { Flush(); }

    void ShowMessage(const std::string& text) override { Show(text); }
    void ShowStatus(const std::string& text, int /*seconds*/) override { Show(text); }
    void ShowValueError() override { Show("Value Error"); }
    void Delay(int /*milliseconds*/) override {}

    // From now on repeated messages are counted, not repeated; false shows
    // those held and writes each message at once again.
    void CountRepeats(bool on = true) {
        if (!on) Flush();
        counting_ = on;
    }
    // Writes the messages held back, each once with its count.
    void Flush() {
        for (const auto& [text, count] : held_)
            Write(count == 1 ? text : text + " (" + Grouped(count) + " times)");
        held_.clear();
        heldIndex_.clear();
    }

    int MessageCount() const { return count_; }

  private:
    void Show(const std::string& text) {
        ++count_;
        if (!counting_) {
            Write(text);
            return;
        }
        const auto [at, added] = heldIndex_.try_emplace(text, held_.size());
        if (added) {
            held_.emplace_back(text, 1);
        } else {
            ++held_[at->second].second;
        }
    }
    static void Write(const std::string& text) {
        std::string line = text.rfind(kProgramPrefix, 0) == 0 ? text : kProgramPrefix + text;
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
    // 60000 as "60,000".
    static std::string Grouped(int64_t count) {
        std::string digits = std::to_string(count);
        for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
            digits.insert(static_cast<size_t>(at), ",");
        return digits;
    }

    int count_ = 0;
    bool counting_ = false;
    std::vector<std::pair<std::string, int64_t>> held_;
    std::unordered_map<std::string, size_t> heldIndex_;
};

}  // namespace kestrel
