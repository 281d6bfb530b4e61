// The readers of pulse and space text: LIRC's mode2 and ir-ctl's.
//
// Both formats list what a receiver reported, one press after another. A
// capture starts at its first pulse (spaces before it are the silence
// before the press) and ends at a timeout report, a blank line, a space of
// kPressGapMicros or more, or the end of the file. A carrier report belongs
// to the capture in progress, or else to the next one.

#include <algorithm>
#include <string>

#include "learn/capture_readers.h"
#include "learn/text_lines.h"
#include "util/text.h"

namespace kestrel {
namespace {

// Collects the captures of one file as the lines report pulses and spaces.
class CaptureBuilder {
  public:
    CaptureBuilder(const std::string& fileName, CaptureFile& out) : file_(fileName), out_(out) {}
    ~CaptureBuilder() { End(); }

    void Pulse(int64_t micros, int64_t line) {
        if (!open_) {
            open_ = true;
            current_.where = {file_, line};
            current_.carrierHz = pendingCarrier_;
            pendingCarrier_.reset();
        }
        Append(micros, line);
    }
    void Space(int64_t micros, int64_t line) {
        if (!open_) return;
        if (micros >= kPressGapMicros) return End();
        Append(-micros, line);
    }
    void Carrier(int64_t hz) { (open_ ? current_.carrierHz : pendingCarrier_) = hz; }
    // The capture in progress is complete.
    void End() {
        if (open_ && !damaged_) out_.captures.push_back(std::move(current_));
        current_ = {};
        open_ = damaged_ = false;
    }
    // A line that cannot be read: the capture it belongs to is left out.
    void Problem(int64_t line, std::string reason) {
        out_.problems.push_back({{file_, line}, std::move(reason)});
        damaged_ = true;
    }
    bool LastWasPulse() const {
        return open_ && !current_.durations.empty() && current_.durations.back() > 0;
    }

  private:
    void Append(int64_t duration, int64_t line) {
        if (damaged_) return;
        if (current_.durations.size() == kMaxCaptureDurations) {
            return Problem(line, "a capture of more than " + std::to_string(kMaxCaptureDurations) +
                                     " pulses and spaces");
        }
        current_.durations.push_back(duration);
    }

    const std::string& file_;
    CaptureFile& out_;
    Capture current_;
    std::optional<int64_t> pendingCarrier_;
    bool open_ = false;
    bool damaged_ = false;
};

constexpr const char* kNotACount = "not a whole number from 0 to 2147483647";

std::string Quoted(std::string_view line) {
    constexpr size_t kShown = 60;
    return "\"" + std::string(line.substr(0, kShown)) + (line.size() > kShown ? "...\"" : "\"");
}

// mode2: "pulse N", "space N", "timeout N", "carrier N", one a line; the
// lines mode2 prints about the device it opens are skipped.
class Mode2 : public CaptureReader {
  public:
    std::string_view Name() const override { return "mode2"; }

    int Recognise(std::string_view, std::string_view text) const override {
        int score = 0;
        ForFirstLines(text, [&](std::string_view line) {
            const std::vector<std::string_view> words = Words(line);
            if (words.size() == 2 &&
                (EqualsNoCase(words[0], "pulse") || EqualsNoCase(words[0], "space"))) {
                score = kReaderLikely;
            }
        });
        return score;
    }

    void Read(std::string_view text, const std::string& fileName, CaptureFile& out) const override {
        CaptureBuilder captures(fileName, out);
        ForEachNumberedLine(text, [&](std::string_view line, int64_t number) {
            line = TrimSpace(line);
            if (line.empty()) return captures.End();
            if (line[0] == '#' || IsDeviceLine(line)) return;
            const std::vector<std::string_view> words = Words(line);
            const std::optional<int64_t> value = words.size() == 2 ? Count(words[1]) : std::nullopt;
            const std::string_view word = words[0];
            if (!value && words.size() == 2 && IsDigit(words[1][0])) {
                captures.Problem(number, Quoted(line) + ": " + kNotACount);
            } else if (!value) {
                captures.Problem(number, Quoted(line) + " is not a mode2 line");
            } else if (EqualsNoCase(word, "pulse")) {
                captures.Pulse(*value, number);
            } else if (EqualsNoCase(word, "space")) {
                captures.Space(*value, number);
            } else if (EqualsNoCase(word, "timeout")) {
                captures.End();
            } else if (EqualsNoCase(word, "carrier")) {
                captures.Carrier(*value);
            } else {
                captures.Problem(number, Quoted(line) + " is not a mode2 line");
            }
        });
    }

  private:
    static bool IsDeviceLine(std::string_view line) {
        for (const char* start : {"Using driver ", "Trying device", "Using device",
                                  "Using raw access", "Opening device"}) {
            if (StartsWithNoCase(line, start)) return true;
        }
        return false;
    }
};

// ir-ctl: "+N" pulses and "-N" spaces (a bare N is the other kind than the
// one before it), any number a line; after "#" a comment, whose "carrier N"
// ("38000Hz" too) gives the carrier and whose "timeout N" ends the capture.
class IrCtl : public CaptureReader {
  public:
    std::string_view Name() const override { return "ir-ctl"; }

    int Recognise(std::string_view, std::string_view text) const override {
        // Signed numbers are ir-ctl's; bare ones may be.
        constexpr int kBareNumbers = 20;
        int score = 0;
        ForFirstLines(text, [&](std::string_view line) {
            const std::vector<std::string_view> words = Words(line.substr(0, line.find('#')));
            bool signs = false;
            for (std::string_view word : words) {
                if (word[0] == '+' || word[0] == '-') {
                    signs = true;
                    word.remove_prefix(1);
                }
                if (word.empty() || !std::all_of(word.begin(), word.end(), IsDigit)) return;
            }
            if (signs) score = kReaderLikely;
            if (words.size() >= 2) score = std::max(score, kBareNumbers);
        });
        return score;
    }

    void Read(std::string_view text, const std::string& fileName, CaptureFile& out) const override {
        CaptureBuilder captures(fileName, out);
        ForEachNumberedLine(text, [&](std::string_view line, int64_t number) {
            const size_t hash = line.find('#');
            const std::string_view comment =
                hash == std::string_view::npos ? std::string_view() : line.substr(hash + 1);
            line = TrimSpace(line.substr(0, hash));
            if (line.empty() && comment.empty()) return captures.End();
            for (const std::string_view word : Words(line)) {
                const char sign = word[0];
                const std::optional<int64_t> value =
                    Count(sign == '+' || sign == '-' ? word.substr(1) : word);
                if (!value) {
                    const bool digits =
                        word.size() > 1 && IsDigit(word[sign == '+' || sign == '-']);
                    captures.Problem(number,
                                     Quoted(word) + (digits ? std::string(": ") + kNotACount
                                                            : " is not a pulse or a space"));
                    break;
                }
                const bool pulse = sign == '+' || (sign != '-' && !captures.LastWasPulse());
                pulse ? captures.Pulse(*value, number) : captures.Space(*value, number);
            }
            const std::vector<std::string_view> words = Words(comment);
            for (size_t i = 0; i + 1 < words.size(); ++i) {
                std::string_view value = words[i + 1];
                while (!value.empty() && !IsDigit(value.back()))
                    value.remove_suffix(1);
                if (EqualsNoCase(words[i], "carrier") && Count(value)) {
                    captures.Carrier(*Count(value));
                }
            }
            for (const std::string_view word : words) {
                if (EqualsNoCase(word, "timeout")) return captures.End();
            }
        });
    }
};

}  // namespace

std::unique_ptr<CaptureReader> Mode2Reader() {
    return std::make_unique<Mode2>();
}

std::unique_ptr<CaptureReader> IrCtlReader() {
    return std::make_unique<IrCtl>();
}

}  // namespace kestrel
