// The set of capture readers, and the Pronto reader.

#include "learn/capture_readers.h"

#include <cmath>

#include "generator/decoder.h"
#include "generator/pronto_reader.h"
#include "learn/text_lines.h"

namespace kestrel {
namespace {

// A line of hexadecimal words whose first has four digits: a Pronto code,
// or a broken one. Anything else is a caption.
bool IsCodeLine(std::string_view line) {
    const std::vector<std::string_view> words = Words(line);
    if (words.empty() || words[0].size() != 4) return false;
    for (const std::string_view word : words) {
        for (const char c : word) {
            if (HexDigit(c) < 0) return false;
        }
    }
    return true;
}

class ProntoReader : public CaptureReader {
  public:
    std::string_view Name() const override { return "pronto"; }

    int Recognise(std::string_view, std::string_view text) const override {
        int score = 0;
        ForFirstLines(text, [&](std::string_view line) {
            const std::vector<std::string_view> words = Words(line);
            if (words.size() >= kProntoHeaderWords && words[0] == kProntoLearnedWord &&
                IsCodeLine(line)) {
                score = kReaderLikely;
            }
        });
        return score;
    }

    void Read(std::string_view text, const std::string& fileName, CaptureFile& out) const override {
        std::string caption;
        ForEachNumberedLine(text, [&](std::string_view line, int64_t number) {
            line = TrimSpace(line);
            if (line.empty()) return;
            if (!IsCodeLine(line)) {
                caption = std::string(line);
                return;
            }
            Result<Capture> capture = CaptureOfPronto(line, {fileName, number});
            if (!capture) {
                out.problems.push_back(
                    {{fileName, number}, "not a Pronto code: " + capture.reason()});
            } else {
                capture.value().name = std::move(caption);
                out.captures.push_back(std::move(capture).value());
            }
            caption.clear();
        });
    }
};

}  // namespace

CaptureReaders::CaptureReaders() {
    Add(Mode2Reader());
    Add(IrCtlReader());
    Add(ProntoCaptureReader());
}

CaptureReaders::~CaptureReaders() = default;

void CaptureReaders::Add(std::unique_ptr<CaptureReader> reader) {
    readers_.push_back(std::move(reader));
}

const CaptureReader* CaptureReaders::ReaderFor(std::string_view fileName,
                                               std::string_view text) const {
    const CaptureReader* best = nullptr;
    int bestScore = 0;
    for (const std::unique_ptr<CaptureReader>& reader : readers_) {
        const int score = reader->Recognise(fileName, text);
        if (score > bestScore) {
            best = reader.get();
            bestScore = score;
        }
    }
    return best;
}

CaptureFile CaptureReaders::Read(const std::string& fileName, std::string_view text) const {
    CaptureFile file;
    const CaptureReader* reader = ReaderFor(fileName, text);
    if (reader != nullptr) {
        reader->Read(text, fileName, file);
        return file;
    }
    std::string formats;
    for (size_t i = 0; i < readers_.size(); ++i) {
        formats += (i == 0 ? "" : i + 1 == readers_.size() ? " or " : ", ");
        formats += readers_[i]->Name();
    }
    file.problems.push_back(
        {{fileName, 1}, "no captures in a format Kestrel reads (" + formats + ")"});
    return file;
}

std::unique_ptr<CaptureReader> ProntoCaptureReader() {
    return std::make_unique<ProntoReader>();
}

Result<Capture> CaptureOfPronto(std::string_view text, SourceLocation where) {
    const Result<ProntoCode> code = ReadProntoCode(text);
    if (!code) return Refused(code.reason());
    Capture capture;
    capture.durations = MicrosOf(*code);
    capture.carrierHz = std::lround(code->CarrierHz());
    capture.where = std::move(where);
    return capture;
}

}  // namespace kestrel
