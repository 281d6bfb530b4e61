// A Display for tests: records every call, never blocks, never waits.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "display/display.h"
#include "export/generate_all.h"
#include "session/outcome.h"

namespace kestrel::test {

class RecordingDisplay : public Display {
  public:
    struct Status {
        std::string text;
        int seconds;
    };

    void ShowMessage(const std::string& text) override {
        messages.push_back(text);
        if (onMessage) onMessage(text);
    }
    void ShowStatus(const std::string& text, int seconds) override {
        statuses.push_back({text, seconds});
    }
    void ShowValueError() override { ++valueErrors; }
    void Delay(int milliseconds) override { delays.push_back(milliseconds); }

    // Plays what a core routine returns as the command line does: its
    // notices recorded, its field writes made in order.
    const Outcome& Play(const Outcome& outcome, WindowFields& fields) {
        outcome.Play(fields, [this](const Notice& notice) { Show(notice, *this); });
        return outcome;
    }

    void Clear() {
        messages.clear();
        statuses.clear();
        valueErrors = 0;
        delays.clear();
    }

    std::vector<std::string> messages;
    std::vector<Status> statuses;
    int valueErrors = 0;
    std::vector<int> delays;
    // Runs while a message is "shown", as a user acting meanwhile would.
    std::function<void(const std::string&)> onMessage;
};

// A Gen ALL observer that records what the run shows into a display.
class RecordingRun : public GenerateAllObserver {
  public:
    explicit RecordingRun(RecordingDisplay& display) : display_(display) {}
    void Show(const Notice& notice) override { kestrel::Show(notice, display_); }

  private:
    RecordingDisplay& display_;
};

}  // namespace kestrel::test
