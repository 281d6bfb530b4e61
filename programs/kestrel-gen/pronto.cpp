// kestrel-gen pronto: generator requests from the command line or from
// standard input, all served by one generator so that request values carry
// over from one request to the next.
//
// Standard input is read and standard output written in large blocks. A
// line ends at a line feed, and a carriage return before it is dropped; a
// last line without a line feed still counts.

#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "catalogue_session.h"
#include "commands.h"
#include "generator/generator.h"
#include "session/request.h"
#include "stderr_display.h"

namespace kestrel {
namespace {

constexpr size_t kBlockSize = 1 << 16;        // read at a time
constexpr size_t kOutputBlockSize = 1 << 20;  // written at a time

// FORM may name a built-in form.
std::string_view FormText(const Generator& generator, std::string_view form) {
    const std::optional<BuiltInForm> named = FormNamed(form);
    return named ? FormText(generator.Protocol(), *named) : form;
}

// Some bytes of standard input: the count, 0 at the end, -1 on an error.
long ReadSome(char* buffer, size_t size) {
    for (;;) {
#ifdef _WIN32
        const long n = _read(0, buffer, static_cast<unsigned>(size));
#else
        const long n = ::read(0, buffer, size);
#endif
        if (n >= 0 || errno != EINTR) return n;
    }
}

// Output collected and written to standard output in blocks.
class BlockWriter {
  public:
    void Append(std::string_view text) {
        out_.append(text);
        if (out_.size() >= kOutputBlockSize) Flush();
    }
    // False once a write has failed.
    bool Flush() {
        size_t done = 0;
        while (ok_ && done < out_.size()) {
#ifdef _WIN32
            const long n = _write(1, out_.data() + done, static_cast<unsigned>(out_.size() - done));
#else
            const long n = ::write(1, out_.data() + done, out_.size() - done);
#endif
            if (n > 0)
                done += static_cast<size_t>(n);
            else if (n < 0 && errno == EINTR)
                continue;
            else
                ok_ = false;
        }
        out_.clear();
        return ok_;
    }

  private:
    std::string out_;
    bool ok_ = true;
};

// Splits a line at tabs into fields; false unless there are exactly four.
bool SplitRequest(std::string_view line, std::string_view (&fields)[4]) {
    for (size_t field = 0; field < 4; ++field) {
        const size_t tab = line.find('\t');
        if ((tab == std::string_view::npos) != (field == 3)) return false;
        fields[field] = line.substr(0, tab);
        line.remove_prefix(tab == std::string_view::npos ? line.size() : tab + 1);
    }
    return true;
}

// The code of one request; its notes, then the reason of a refusal, go to
// standard error. KIND is checked as manual checks --kind, and a form that
// makes no duration (a word that names no form) is refused rather than
// answered with an empty code.
Result<std::string> Generate(Generator& generator, const std::string_view (&fields)[4],
                             StderrDisplay& display) {
    if (!KindOption(std::string(fields[3]))) {
        const Status refused =
            Refused("KIND takes A, D, H or V, not '" + std::string(fields[3]) + "'");
        display.ShowMessage(refused.reason());
        return Refused(refused.reason());
    }
    Noted<std::string> made =
        generator.GenerateCode(FormText(generator, fields[0]), fields[1], fields[2], fields[3]);
    ShowNotes(made.notes, display);
    Result<std::string>& code = made.result;
    if (!code) display.ShowMessage(code.reason());
    if (code && generator.Durations().empty()) {
        const Status refused =
            Refused("The form '" + std::string(fields[0]) + "' makes no duration: it is none of " +
                    FormWords() + ", and no form text that gives a code");
        display.ShowMessage(refused.reason());
        return Refused(refused.reason());
    }
    return code;
}

int OutputFailed(StderrDisplay& display) {
    display.ShowMessage(std::string("standard output cannot be written: ") + std::strerror(errno));
    return kExitRefused;
}

// One request a line from standard input, one output line each (empty
// where refused). Returns the exit status.
int StreamRequests(Generator& generator, StderrDisplay& display) {
    BlockWriter out;
    std::vector<char> block(kBlockSize);
    std::string pending;  // a line begun in an earlier block
    std::string_view fields[4];
    bool allGood = true;
    long lineNumber = 0;
    auto handle = [&](std::string_view line) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!SplitRequest(line, fields)) {
            display.ShowMessage("line " + std::to_string(lineNumber) +
                                ": expected FORM, CODE, VALUE and KIND separated by tabs");
            allGood = false;
        } else if (const Result<std::string> code = Generate(generator, fields, display)) {
            out.Append(*code);
        } else {
            allGood = false;
        }
        out.Append("\n");
    };
    for (;;) {
        // Answers so far go out before waiting for more input.
        if (!out.Flush()) return OutputFailed(display);
        const long n = ReadSome(block.data(), block.size());
        if (n < 0) {
            display.ShowMessage("kestrel-gen: standard input cannot be read");
            out.Flush();
            return kExitRefused;
        }
        if (n == 0) break;
        std::string_view rest(block.data(), static_cast<size_t>(n));
        for (size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
            if (pending.empty()) {
                handle(rest.substr(0, end));
            } else {
                pending.append(rest.substr(0, end));
                handle(pending);
                pending.clear();
            }
            rest.remove_prefix(end + 1);
        }
        pending.append(rest);
    }
    if (!pending.empty()) handle(pending);
    if (!out.Flush()) return OutputFailed(display);
    return allGood ? 0 : kExitRefused;
}

}  // namespace

Result<std::string> RequestLine(Generator& generator, std::string_view line,
                                StderrDisplay& display) {
    std::string_view fields[4];
    if (!SplitRequest(line, fields)) {
        return Refused("expected FORM, CODE, VALUE and KIND separated by tabs");
    }
    return Generate(generator, fields, display);
}

int RunPronto(const CliOptions& options) {
    const Args& rest = options.positional;
    if (!(rest.size() == 1 && rest[0] == "-") && rest.size() != 4) {
        return ArgumentCountError(options, "FORM CODE VALUE KIND, or -");
    }
    if (rest.size() == 4 && !KindOption(rest[3])) {
        return UsageError(options, "KIND takes A, D, H or V, not '" + rest[3] + "'");
    }
    StderrDisplay display;
    Generator generator;
    ShowNotes(generator.SetupProtocol(), display);
    for (std::string directive : options.Values("--define")) {
        const Status added = generator.AddDefine(directive, true);
        if (!added) display.ShowMessage(added.reason());
    }

    if (rest.size() == 1) return StreamRequests(generator, display);
    const std::string_view fields[4] = {rest[0], rest[1], rest[2], rest[3]};
    const Result<std::string> code = Generate(generator, fields, display);
    if (!code) return kExitRefused;
    BlockWriter out;
    out.Append(*code + '\n');
    return out.Flush() ? 0 : OutputFailed(display);
}

}  // namespace kestrel
