#include "export/format_writers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "export/broadlink_packet.h"
#include "export/output_file.h"
#include "export/sample_names.h"
#include "generator/decoder.h"
#include "generator/generator.h"
#include "generator/pronto_reader.h"
#include "util/text.h"

namespace kestrel {
namespace {

// A sample's code as the exports write it.
struct ExportCode {
    const Sample& sample;
    std::string name;
    ProntoCode pronto;
    std::vector<int64_t> micros;  // once, then repeat; marks positive, at least 1 us each
    int64_t carrierHz = 0;

    // The durations without the final space: LIRC's tools send a code that
    // ends with a pulse.
    std::span<const int64_t> EndingWithPulse() const {
        return {micros.data(), micros.size() - (micros.size() % 2 == 0 ? 1 : 0)};
    }
};

ExportCode CodeOf(const Sample& sample, std::string name, ProntoCode pronto) {
    std::vector<int64_t> micros = MicrosOf(pronto);
    // A word of no carrier periods still has to be sent as something.
    for (int64_t& duration : micros) {
        if (duration == 0) duration = 1;
    }
    const int64_t carrier = std::llround(pronto.CarrierHz());
    return {sample, std::move(name), std::move(pronto), std::move(micros), carrier};
}

// How the durations are written: as magnitudes ("2605 2605"), signed
// ("2605, -2605") or with both signs ("+2605 -2605").
enum class Signs { None, Minus, Both };

std::string Numbers(std::span<const int64_t> micros, Signs signs, std::string_view separator) {
    std::string out;
    for (const int64_t duration : micros) {
        if (!out.empty()) out += separator;
        if (signs == Signs::Both && duration > 0) out += '+';
        out += std::to_string(signs == Signs::None ? std::llabs(duration) : duration);
    }
    return out;
}

// A double-quoted string of Latin-1 text, as JSON, YAML and TOML read it:
// quotes and backslashes escaped, control characters (C0, DEL and C1) as
// \u00XX, everything else in UTF-8.
std::string Quoted(std::string_view latin1) {
    std::string out = "\"";
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || (byte >= 0x7F && byte < 0xA0)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
            out += escaped;
        } else {
            out += Utf8(std::string_view(&c, 1));
        }
    }
    return out + "\"";
}

// Latin-1 text for an XML attribute or element: markup characters as
// entities, C0 control characters (which XML 1.0 does not allow) as U+FFFD.
std::string XmlText(std::string_view latin1) {
    std::string out;
    for (const char c : latin1) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                    out += "\xEF\xBF\xBD";
                } else {
                    out += Utf8(std::string_view(&c, 1));
                }
        }
    }
    return out;
}

// The base of the exports written as one file: the header, an entry per
// code and the footer of the format.
class FileExportWriter : public OutputWriter {
  public:
    bool TakesRanges() const override { return true; }
    CaptionStyle Captions() const override { return CaptionStyle::Short; }
    void Configure(const ExportOptions& options) override {
        options_ = options;
        namer_ = SampleNamer(options.names);
    }
    Status Open(OutputFiles& files, const std::string& chosenPath,
                const Catalogue& catalogue) override {
        model_ = catalogue.ModelName;
        path_ = chosenPath;
        if (Status created = file_.Create(files, chosenPath); !created) return created;
        return file_.Write(Header());
    }
    Status Write(const Sample& sample) override {
        Result<ProntoCode> pronto = ReadProntoCode(sample.code);
        if (!pronto) return {};  // a refused request: no code to write
        const ExportCode code = CodeOf(sample, namer_.Name(sample), std::move(pronto).value());
        const Result<std::string> entry = Entry(code);
        if (!entry) return NotWritten("the code " + code.name + " " + entry.reason());
        ++codes_;
        return file_.Write(*entry);
    }
    Status Close() override {
        const Result<std::string> footer = Footer();
        if (!footer) {
            file_.Drop();
            return NotWritten(footer.reason());
        }
        const Status written = file_.Write(*footer);
        const Status closed = file_.Close();
        return written ? closed : written;
    }
    void Abandon() override { file_.Drop(); }

  protected:
    virtual std::string Header() = 0;
    // The entry of a code; refused, saying why, for a code the format
    // cannot hold.
    virtual Result<std::string> Entry(const ExportCode& code) = 0;
    virtual Result<std::string> Footer() { return std::string(); }

    Status NotWritten(const std::string& reason) const {
        return Refused("The file '" + path_ + "' is not written: " + reason);
    }
    // The chosen file's name without its folder.
    std::string FileName() const { return path_.substr(path_.rfind('/') + 1); }

    ExportOptions options_;
    std::string model_;
    int64_t codes_ = 0;  // entries written

  private:
    SampleNamer namer_;
    std::string path_;
    RunFile file_;
};

class FlipperWriter : public FileExportWriter {
    static constexpr size_t kMostDurations = 1024;

    std::string Header() override { return "Filetype: IR signals file\nVersion: 1\n"; }
    Result<std::string> Entry(const ExportCode& code) override {
        if (code.micros.size() > kMostDurations) {
            return Refused("holds " + std::to_string(code.micros.size()) +
                           " durations, more than the " + std::to_string(kMostDurations) +
                           " of a Flipper file");
        }
        return "#\nname: " + AsciiText(code.name) +
               "\ntype: raw\nfrequency: " + std::to_string(code.carrierHz) +
               "\nduty_cycle: 0.330000\ndata: " + Numbers(code.micros, Signs::None, " ") + "\n";
    }
};

// Lower-case identifier, as Home Assistant's object ids are written.
std::string Slug(std::string_view latin1) {
    std::string slug = Identifier(latin1);
    for (char& c : slug) {
        if (IsUpperLetter(c)) c = static_cast<char>(c + 32);
    }
    return slug;
}

class EsphomeWriter : public FileExportWriter {
    std::string Header() override {
        return "# " + AsciiText(model_) +
               ": codes made by Kestrel, a button each, for a device with a\n"
               "# remote_transmitter. Include this file in its configuration:\n"
               "#   packages:\n#     " +
               Slug(model_) + ": !include " + AsciiText(FileName()) + "\n";
    }
    Result<std::string> Entry(const ExportCode& code) override {
        std::string entry = codes_ == 0 ? "button:\n" : "";
        entry += "  - platform: template\n    name: " + Quoted(code.name) +
                 "\n    on_press:\n      - remote_transmitter.transmit_";
        if (options_.raw) {
            return entry + "raw:\n          carrier_frequency: " + std::to_string(code.carrierHz) +
                   "Hz\n          code: [" + Numbers(code.micros, Signs::Minus, ", ") + "]\n";
        }
        return entry + "pronto:\n          data: " + Quoted(code.sample.code) + "\n";
    }
    Result<std::string> Footer() override { return std::string(codes_ == 0 ? "button: []\n" : ""); }
};

class HomeAssistantWriter : public FileExportWriter {
    std::string Header() override {
        return "# " + AsciiText(model_) +
               ": scripts that send codes made by Kestrel through a Broadlink remote.\n"
               "# Put them into scripts.yaml and set entity_id to your remote's entity.\n";
    }
    Result<std::string> Entry(const ExportCode& code) override {
        const Result<std::string> packet = BroadlinkPacket(code.micros);
        if (!packet) return Refused(packet.reason());
        return Slug(model_) + "_" + Slug(code.name) + ":\n  alias: " + Quoted(code.name) +
               "\n  sequence:\n    - action: remote.send_command\n      target:\n"
               "        entity_id: remote.broadlink\n      data:\n        command: " +
               Quoted("b64:" + Base64(*packet)) + "\n";
    }
};

class BroadlinkWriter : public FileExportWriter {
    std::string Header() override { return "{"; }
    Result<std::string> Entry(const ExportCode& code) override {
        const Result<std::string> packet = BroadlinkPacket(code.micros);
        if (!packet) return Refused(packet.reason());
        return std::string(codes_ == 0 ? "\n  " : ",\n  ") + Quoted(code.name) + ": " +
               Quoted(Base64(*packet));
    }
    Result<std::string> Footer() override { return std::string(codes_ == 0 ? "}\n" : "\n}\n"); }
};

class GirrWriter : public FileExportWriter {
  public:
    GirrWriter() { generator_.SetupProtocol(); }

  private:
    std::string Header() override {
        const std::string model = XmlText(model_);
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<remotes xmlns=\"http://www.harctoolbox.org/Girr\" girrVersion=\"1.3\" title=\"" +
               model + " (Kestrel)\">\n  <remote name=\"" + model + "\">\n    <commandSet name=\"" +
               model + "\">\n";
    }
    Result<std::string> Entry(const ExportCode& code) override {
        const std::string ccf = CcfText(code.sample.code);
        std::string entry = "      <command name=\"" + XmlText(code.name) + "\"";
        if (code.name != code.sample.caption) {
            entry += " displayName=\"" + XmlText(code.sample.caption) + "\"";
        }
        entry += std::string(" master=\"") + (ccf.empty() ? "raw" : "ccf") + "\">\n";
        entry += Parameters(code.micros);
        entry += "        <raw frequency=\"" + std::to_string(code.carrierHz) + "\">\n";
        const auto once = static_cast<std::ptrdiff_t>(code.pronto.once.size());
        const std::span<const int64_t> all(code.micros);
        if (once > 0) {
            entry +=
                "          <intro>" + Numbers(all.first(once), Signs::Both, " ") + "</intro>\n";
        }
        if (all.size() > code.pronto.once.size()) {
            entry +=
                "          <repeat>" + Numbers(all.subspan(once), Signs::Both, " ") + "</repeat>\n";
        }
        entry += "        </raw>\n";
        if (!ccf.empty()) entry += "        <ccf>" + ccf + "</ccf>\n";
        return entry + "      </command>\n";
    }
    Result<std::string> Footer() override {
        if (codes_ == 0)
            return Refused("a Girr file holds at least one command, and there is none");
        return std::string("    </commandSet>\n  </remote>\n</remotes>\n");
    }

    // The Pronto text when every word has the four digits the format
    // wants; "" otherwise (the raw form stands alone then).
    static std::string CcfText(std::string_view pronto) {
        std::string text;
        for (size_t at = 0; at < pronto.size();) {
            const size_t start = pronto.find_first_not_of(' ', at);
            if (start == std::string_view::npos) break;
            const size_t end = std::min(pronto.find(' ', start), pronto.size());
            if (end - start != 4) return "";
            text += (text.empty() ? "" : " ") + std::string(pronto.substr(start, 4));
            at = end;
        }
        return text;
    }

    // The form and fields the decoder reads from the durations, as Girr
    // parameters; "" for a code no numeric form explains.
    std::string Parameters(std::span<const int64_t> micros) const {
        for (const DecodedCode& decoded :
             DecodeDurations(micros, generator_.Protocol(), generator_.Defines())) {
            if (decoded.form == BuiltInForm::ValueText) continue;
            return std::string("        <parameters protocol=\"") + FormWord(decoded.form) +
                   "\">\n          <parameter name=\"D\" value=\"" +
                   std::to_string(decoded.device) +
                   "\"/>\n          <parameter name=\"F\" value=\"" +
                   std::to_string(decoded.function) + "\"/>\n        </parameters>\n";
        }
        return "";
    }

    Generator generator_;
};

class KeymapWriter : public FileExportWriter {
    std::string Header() override {
        return "# " + AsciiText(model_) +
               ": codes made by Kestrel as a raw rc keymap; send one with\n"
               "#   ir-ctl --carrier CARRIER --keymap " +
               AsciiText(FileName()) +
               " --keycode KEYCODE\n"
               "[[protocols]]\nname = " +
               Quoted(model_) + "\nprotocol = \"raw\"\n";
    }
    Result<std::string> Entry(const ExportCode& code) override {
        return "[[protocols.raw]]\n# carrier " + std::to_string(code.carrierHz) +
               " Hz\nkeycode = " + Quoted(Identifier(code.name)) + "\nraw = \"" +
               Numbers(code.EndingWithPulse(), Signs::Both, " ") + "\"\n";
    }
};

// A folder of files, one per code.
class IrctlWriter : public OutputWriter {
  public:
    bool TakesRanges() const override { return true; }
    CaptionStyle Captions() const override { return CaptionStyle::Short; }
    void Configure(const ExportOptions& options) override { namer_ = SampleNamer(options.names); }
    Status Open(OutputFiles& files, const std::string& chosenPath, const Catalogue&) override {
        files_ = &files;
        folder_ = chosenPath;
        const Status made = files.CreateFolder(folder_);
        if (!made)
            return Refused("Could not create the folder '" + folder_ + "': " + made.reason());
        return {};
    }
    Status Write(const Sample& sample) override {
        Result<ProntoCode> pronto = ReadProntoCode(sample.code);
        if (!pronto) return {};
        const ExportCode code = CodeOf(sample, namer_.Name(sample), std::move(pronto).value());
        std::string text = "carrier " + std::to_string(code.carrierHz) + "\n";
        for (const int64_t duration : code.EndingWithPulse()) {
            text +=
                (duration > 0 ? "pulse " : "space ") + std::to_string(std::llabs(duration)) + "\n";
        }
        RunFile file;
        Status written = file.Create(*files_, folder_ + "/" + Identifier(code.name));
        if (written) written = file.Write(text);
        const Status closed = file.Close();
        return written ? closed : written;
    }
    Status Close() override { return {}; }

  private:
    SampleNamer namer_;
    OutputFiles* files_ = nullptr;
    std::string folder_;
};

template <typename Writer>
std::unique_ptr<OutputWriter> Make() {
    return std::make_unique<Writer>();
}

const OutputKind kExportKinds[] = {
    {"flipper", "", Make<FlipperWriter>},
    {"esphome", "", Make<EsphomeWriter>},
    {"homeassistant", "", Make<HomeAssistantWriter>},
    {"broadlink", "", Make<BroadlinkWriter>},
    {"girr", "", Make<GirrWriter>},
    {"keymap", "", Make<KeymapWriter>},
    {"irctl", "", Make<IrctlWriter>},
};

}  // namespace

const OutputKind* ExportKindNamed(std::string_view name) {
    for (const OutputKind& kind : kExportKinds) {
        if (EqualsNoCase(kind.name, name)) return &kind;
    }
    return OutputKindNamed(name);
}

std::string_view ExportKindNames() {
    return "flipper|esphome|homeassistant|broadlink|girr|keymap|irctl";
}

}  // namespace kestrel
