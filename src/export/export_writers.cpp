#include "export/export_writers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "export/generate_all_writers.h"
#include "export/output_file.h"
#include "generator/decoder.h"
#include "generator/pronto_reader.h"
#include "util/json_text.h"
#include "util/text.h"

namespace kestrel {
namespace {

template <typename Number>
std::string Joined(const std::vector<Number>& numbers, std::string_view separator) {
    std::string out;
    for (const Number number : numbers) {
        if (!out.empty()) out += separator;
        out += std::to_string(number);
    }
    return out;
}

// lircd.conf

// LIRC takes a name up to the next blank, a line starting with "#" as a
// comment, and reports a received code as one message of at most 256
// bytes: 16 hexadecimal digits, the repeat count in two, the code's name
// and the remote's, three blanks and a line feed between them.
constexpr size_t kLircMessageBytes = 256;
constexpr size_t kLircMessageFixed = 22;
constexpr size_t kLircRemoteNameBytes = 64;
constexpr size_t kLircDurationsPerLine = 8;

// text as a LIRC name of at most limit bytes: blanks, "#" and every byte
// outside printable ASCII become "_", a run of "_" one.
std::string LircName(std::string_view text, bool upper, size_t limit) {
    std::string name;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const char kept =
            byte > 0x20 && byte < 0x7F && c != '#' ? (upper ? UpperAscii(c) : c) : '_';
        if (kept != '_' || name.empty() || name.back() != '_') name += kept;
    }
    if (name.size() > limit) name.resize(limit);
    return name.empty() ? "_" : name;
}

// The remote's gap: the shortest space that LIRC, which takes a space s for
// at least a gap g when s + g * eps / 100 >= g or s + aeps >= g, never
// takes the longest space of a code for; so no code is ended inside.
int64_t LircGap(int64_t longestSpace) {
    return std::max(longestSpace * 100 / (100 - kTolerancePercent) + 1,
                    longestSpace + kToleranceMicros + 1);
}

class LircdWriter : public OutputWriter {
  public:
    bool TakesRanges() const override { return true; }
    CaptionStyle Captions() const override { return CaptionStyle::Short; }
    Status Open(OutputFiles& files, const std::string& chosenPath,
                const Catalogue& catalogue) override {
        remote_ = LircName(catalogue.ModelName, false, kLircRemoteNameBytes);
        nameLimit_ = kLircMessageBytes - kLircMessageFixed - remote_.size();
        return file_.Create(files, chosenPath);
    }
    // The codes are kept until the close: the remote's frequency and gap,
    // which come first, depend on them.
    Status Write(const Sample& sample) override {
        const Result<ProntoCode> code = ReadProntoCode(sample.code);
        if (!code) return {};  // a refused request: no code to name
        std::vector<int64_t> durations = MicrosOf(code->once, code->PeriodMicros());
        for (size_t i = 0; i < durations.size(); ++i) {
            durations[i] = std::llabs(durations[i]);
            if (i % 2 == 1) longestSpace_ = std::max(longestSpace_, durations[i]);
        }
        if (durations.size() % 2 == 0) durations.pop_back();  // a raw code ends with a pulse
        if (frequency_ == 0) frequency_ = std::llround(code->CarrierHz());
        codes_ += "    name " + UniqueName(LircName(sample.caption, true, nameLimit_)) + "\n";
        for (size_t i = 0; i < durations.size(); i += kLircDurationsPerLine) {
            const auto first = durations.begin() + static_cast<std::ptrdiff_t>(i);
            const auto last = durations.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                      durations.size(), i + kLircDurationsPerLine));
            codes_ += "      " + Joined(std::vector<int64_t>(first, last), " ") + "\n";
        }
        return {};
    }
    Status Close() override {
        std::string text = "begin remote\n  name       " + remote_ +
                           "\n  flags      RAW_CODES\n  eps        " +
                           std::to_string(kTolerancePercent) + "\n  aeps       " +
                           std::to_string(kToleranceMicros) + "\n";
        if (frequency_ > 0) {
            text += "  frequency  " + std::to_string(frequency_) + "\n  gap        " +
                    std::to_string(LircGap(longestSpace_)) + "\n";
        }
        text += "  begin raw_codes\n" + codes_ + "  end raw_codes\nend remote\n";
        const Status written = file_.Write(text);
        const Status closed = file_.Close();
        return written ? closed : written;
    }
    void Abandon() override { file_.Drop(); }

  private:
    // name, or name with the first of "_2", "_3", ... that no earlier code
    // has (one "_" between them); each name goes on from its last number,
    // so that many codes of one name take no quadratic time.
    std::string UniqueName(const std::string& name) {
        if (names_.insert(name).second) return name;
        int& number = lastNumber_.try_emplace(name, 1).first->second;
        while (true) {
            const std::string digits = std::to_string(++number);
            std::string numbered = name.substr(0, nameLimit_ - 1 - digits.size());
            if (numbered.back() != '_') numbered += '_';
            if (names_.insert(numbered + digits).second) return numbered + digits;
        }
    }

    RunFile file_;
    std::string remote_;
    size_t nameLimit_ = 0;
    std::set<std::string> names_;
    std::map<std::string, int> lastNumber_;
    std::string codes_;
    int64_t frequency_ = 0;     // of the first code, in whole hertz
    int64_t longestSpace_ = 0;  // of any code, the final spaces included
};

// JSON

class JsonWriter : public OutputWriter {
  public:
    bool TakesRanges() const override { return true; }
    CaptionStyle Captions() const override { return CaptionStyle::Short; }
    Status Open(OutputFiles& files, const std::string& chosenPath,
                const Catalogue& catalogue) override {
        if (Status created = file_.Create(files, chosenPath); !created) return created;
        return file_.Write("{\n  \"model\": " + JsonString(catalogue.ModelName) +
                           ",\n  \"firmware\": " + JsonString(catalogue.ModelFirmware) +
                           ",\n  \"options\": " + JsonString(catalogue.ModelOptions) +
                           ",\n  \"samples\": [");
    }
    Status Write(const Sample& s) override {
        const bool made = !s.code.empty();
        return file_.Write(
            std::string(samples_++ == 0 ? "\n" : ",\n") + "    {\n      \"caption\": " +
            JsonString(s.caption) + ",\n      \"command\": " + JsonString(s.command) +
            ",\n      \"value\": " + JsonString(s.value) +
            ",\n      \"functionCode\": {\"decimal\": " + s.functionDec +
            ", \"hex\": " + JsonString(s.functionHex) +
            "},\n      \"valueKind\": " + JsonString(std::string(1, s.valueKind)) +
            ",\n      \"carrier\": " + (made ? std::to_string(s.carrierHz) : "null") +
            ",\n      \"durations\": [" + Joined(s.durations, ", ") +
            "],\n      \"pronto\": " + JsonString(s.code) + "\n    }");
    }
    Status Close() override {
        const Status written = file_.Write(samples_ == 0 ? "]\n}\n" : "\n  ]\n}\n");
        const Status closed = file_.Close();
        return written ? closed : written;
    }
    void Abandon() override { file_.Drop(); }

  private:
    RunFile file_;
    int64_t samples_ = 0;
};

// CSV

// A field of Latin-1 text, quoted when it holds a comma, a quote, CR or LF.
std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return Utf8(text);
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') quoted += c;
    }
    return Utf8(quoted + "\"");
}

class CsvWriter : public OutputWriter {
  public:
    bool TakesRanges() const override { return true; }
    CaptionStyle Captions() const override { return CaptionStyle::Short; }
    Status Open(OutputFiles& files, const std::string& chosenPath, const Catalogue&) override {
        if (Status created = file_.Create(files, chosenPath); !created) return created;
        return file_.WriteLine(
            "caption,command,value,functionDecimal,functionHex,valueKind,carrier,durations,pronto");
    }
    Status Write(const Sample& s) override {
        const std::string carrier = s.code.empty() ? "" : std::to_string(s.carrierHz);
        return file_.WriteLine(CsvField(s.caption) + "," + CsvField(s.command) + "," +
                               CsvField(s.value) + "," + s.functionDec + "," +
                               CsvField(s.functionHex) + "," + s.valueKind + "," + carrier + "," +
                               Joined(s.durations, " ") + "," + CsvField(s.code));
    }
    Status Close() override { return file_.Close(); }
    void Abandon() override { file_.Drop(); }

  private:
    RunFile file_;
};

}  // namespace

std::unique_ptr<OutputWriter> MakeLircdWriter() {
    return std::make_unique<LircdWriter>();
}

std::unique_ptr<OutputWriter> MakeJsonWriter() {
    return std::make_unique<JsonWriter>();
}

std::unique_ptr<OutputWriter> MakeCsvWriter() {
    return std::make_unique<CsvWriter>();
}

}  // namespace kestrel
