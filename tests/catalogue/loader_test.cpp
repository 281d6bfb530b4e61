// The device file reader and loader, and the model list.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue/catalogue.h"
#include "util/text.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

// The catalogue as text: "Name=code", for an enumeration "e" and its values
// "[code:label]", for a range "i" (integer) or "r" and "min..max", then "; ";
// "|" and " Button=code" for each button; then {model/firmware/options}, and
// "manual" when allowed.
std::string Dump(const Catalogue& c) {
    std::string out;
    for (const CommandEntry& e : c.Commands()) {
        out += e.Name + "=" + e.FunctionCode + (e.IsEnumeration() ? " e" : "");
        for (const EnumValue& v : e.Values)
            out += "[" + std::to_string(v.Code) + ":" + v.Label + "]";
        if (e.HasRange()) out += (e.IsInteger() ? " i" : " r") + e.Range.Min + ".." + e.Range.Max;
        out += "; ";
        // The name index agrees with the table.
        if (c.CommandNamed(UpperCase(e.Name)).Name != e.Name) out += "(not indexed) ";
    }
    out += "|";
    for (const RemoteEntry& r : c.RemoteCodes())
        out += " " + r.Name + "=" + r.Code;
    return out + " {" + c.ModelName + "/" + c.ModelFirmware + "/" + c.ModelOptions + "}" +
           (c.AllowManual ? " manual" : "");
}

// Loads each part of text (split at "\f") into one catalogue in turn, and
// dumps it; "skipped N" for each line skipped for breaking a limit.
std::string Load(const std::string& text, const std::string& model = "") {
    Catalogue c;
    c.ModelName = model;
    std::string skipped;
    c.OnLineNote = [&](const LineNote& note) {
        if (note.kind == LineNote::Kind::Skipped)
            skipped += " skipped " + std::to_string(note.line);
    };
    for (size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = text.find('\f', start);
        c.LoadDeviceText(text.substr(start, end == std::string::npos ? end : end - start));
    }
    return Dump(c) + skipped;
}

// What the reader hands a handler, one line of text per call: "LINE [S]" for
// a known header (S the section's number), "LINE ?HEADER S" for another,
// "LINE x S PROBLEM" for a line that is no entry, "LINE S NAME=VALUE" for an
// entry, then "(KIND~WORD|...)" for its group (M, F, O or ? for the kind, "~"
// when negated).
struct Recorder final : DeviceFileHandler {
    std::string log;
    std::string Line(int64_t line, Section section) {
        return std::to_string(line) + " " + std::to_string(static_cast<int>(section));
    }
    void OnSection(Section section, int64_t line) override {
        log += std::to_string(line) + " [" + std::to_string(static_cast<int>(section)) + "]\n";
    }
    void OnUnknownHeader(std::string_view header, Section section, int64_t line) override {
        log += std::to_string(line) + " ?" + std::string(header) + " " +
               std::to_string(static_cast<int>(section)) + "\n";
    }
    void OnUnreadable(LineProblem problem, Section section, int64_t line) override {
        log += Line(line, section) +
               (problem == LineProblem::NoEquals ? " x no equals\n" : " x open group\n");
    }
    void OnEntry(const DeviceFileEntry& e) override {
        log += Line(e.line, e.section) + " " + std::string(e.name) + "=" + std::string(e.value);
        if (e.group) {
            log += " (";
            for (const Qualifier& q : e.group->items)
                log += std::string(1, "MFO?"[static_cast<int>(q.kind)]) + (q.negated ? "~" : "") +
                       q.word + "|";
            log += ")";
        }
        log += "\n";
    }
};

TEST(Reader, HandsEntriesWithTheirLines) {
    Recorder recorder;
    ReadDeviceFile(
        "A=1\r[ commands ]\r\nB(M:X, o:~ hd,F:2, Lot:7)=2 ' c\n\n  \r'all\n"
        "Zoom(M:X = 9\r\nZoom(M:X = 9)\r(=)\nno assignment (M:X)\n[Other] 'x\n"
        "C)D(x) = \"q=r\"\rE() = 5\r\n",
        recorder);
    // A group not closed before the "=" is no entry; the text after the
    // line's first ")" follows the name.
    EXPECT_EQ(recorder.log,
              "1 0 A=1\n2 [2]\n3 2 B=2 (MX|O~hd|F2|?|)\n7 2 x open group\n8 2 x open group\n"
              "9 2 x open group\n10 2 x no equals\n11 ?[Other] 2\n12 2 C)DD(x)=\"q=r\" (?|)\n"
              "13 2 E=5 ()\n");
}

TEST(Loader, FilesLoadIntoTheirCatalogue) {
    const struct {
        const char* name;
        std::string text, catalogue;
    } rows[] = {
        {"lines end at CR, CR LF and a lone LF; \"Blank =\" has an empty code",
         "[COMMANDS]\rA = 1; Query\r\nB = 2; Query\nC = 3; Query\r\n\r\n[REMOTECODES]\nBlank =",
         "A=1; B=2; C=3; | Blank= {//}"},
        {"a line before any header, a comment, [OTHER] keeping the section, no \"=\"",
         "A = 1; Query\n[ commands ] ' x\n'Hid = 2; Query\nB = 20; Integer; 0..100 ' percent\n"
         "[OTHER]\nAfter = 3; Query\nno equals sign\n",
         "B=20 i0..100; After=3; | {//}"},
        {"without \"(\" a code loses its first character; halves to even; a last \";\" "
         "stays in the label; labels may be quoted",
         "[COMMANDS]\nS = 1C; Enumeration; (-2)Left 2, ( -1 )L1, 5)Five, (2.5)E, (3.5)Odd;\n"
         "Mode = 13; Enumeration; (0)\"Cinema, warm\", (1)Vivid\nEmpty = 14; Enumeration;\n",
         "S=1C e[-2:Left 2][-1:L1][0:Five][2:E][4:Odd;]; Mode=13 e[0:Cinema, warm][1:Vivid]; "
         "Empty=14 e; | {//}"},
        {"integer, real and query commands",
         "[COMMANDS]\nB = 20; Integer; 0..100;\nG = 21; real; 1.0 .. 2.5\nStatus = 30; Query\n",
         "B=20 i0..100; G=21 r1.0..2.5; Status=30; | {//}"},
        {"a name again updates its first entry in place; what the line does not replace stays",
         "[COMMANDS]\nLevel = 20; Integer; 0..3\nPower = 10; Enumeration; (0)Off, (1)On\n"
         "LEVEL = 21; Enumeration; (0)Low, (1)High\npower = 11; Query\n",
         "LEVEL=21 e[0:Low][1:High] i0..3; power=11 e[0:Off][1:On]; | {//}"},
        {"a line that breaks a limit is skipped whole",
         "[COMMANDS]\nK = 10; Enumeration; (0)Off, (1)On\nK = 11; Enumeration; (0)A, (40000)B\n"
         "K = 12; Integer; 0-100\nK(M:X = 13; Query\nK = 7FFFFFFF0; Query\n"
         "K = 1; Enumeration; (1e999)Inf\nK = 0007FFFFFFF; Query\n",
         "K=0007FFFFFFF e[0:Off][1:On]; | {//} skipped 3 skipped 4 skipped 5 skipped 6 skipped 7"},
        {"nothing is reset: a table is emptied by its header only",
         "[COMMANDS]\nA = 1; Query\n[REMOTECODES]\nMenu = 5\n\f[COMMANDS]\nB = 2; Query\n",
         "B=2; | Menu=5 {//}"},
        {"settings lines under their many spellings, the later ones winning",
         "[ SYSTEM ]\nMODEL = *X300\nCurrent Firmware = 2.1\nOptions = hd, pip\nALLOW MANUAL = true"
         "\n\f[SYSTEM]\nOPTION = none\nAllowManual = yes\nModel = * X400\nVendor = K\n",
         "| {X400/2.1/}"},
        {"options upper case; ALLOWMANUAL TRUE",
         "[SYSTEM]\nOPTIONS = hd, pip\nALLOWMANUAL = TRUE\n", "| {//HD, PIP} manual"},
        {"qualifiers see the settings read so far",
         "[REMOTECODES]\nA(M:New) = 1\n[SYSTEM]\nMODEL = New\n[REMOTECODES]\nB(M:New) = 2\n",
         "| B=2 {New//}"}};
    for (const auto& row : rows)
        EXPECT_EQ(Load(row.text), row.catalogue) << row.name;
    Catalogue c;
    c.LoadDeviceText("[COMMANDS]\nA = 1; Query\n\n[COMMANDS]\nB = 2; Query\n");
    EXPECT_FALSE(c.FindCommand("a"));  // A left the index with its table
    EXPECT_EQ(c.FindCommand("b"), 0u);
}

TEST(Loader, QualifiersDecideWhetherALineApplies) {
    // For a model and its settings, groups (between "|") that let a line
    // through, then groups that do not. Vorta stands for every model; an
    // empty option word is found in any options; other qualifiers pass.
    const std::tuple<const char*, const char*, std::string, std::string> rows[] = {
        {"X2", "", "M:X2|m:x2|F:3|O:|Lot:7|", "M:~X2|M:~ X2|O:~"},
        {"X1", "", "M:~X2", "M:X2"},
        {"Vorta", "", "M:X2", "M:~X2"},
        {"vorta", "", "", "M:~ X2"},
        {"X", "FIRMWARE=2.9", "", "F:3"},
        {"X", "FIRMWARE=3.0", "F:3|F:2.10", "F:3.1"},
        {"X", "OPTIONS=HD, PIP", "O:PIP|O:hd, o:pip", "O:~ PIP|O:HD,O:X"},
        {"X", "OPTIONS=NOPIP", "O:pip", ""},
        {"X", "OPTIONS=HD", "O:~PIP", "O:PIP"},
        {"X2", "FIRMWARE=2.1\nOPTION=HD", "F:2.0, O:HD, M:X2", "F:2.0, O:PIP, M:X2"}};
    for (const auto& [model, settings, passing, failing] : rows) {
        std::string text = std::string("[SYSTEM]\n") + settings + "\n[REMOTECODES]\n", loaded;
        int line = 0;
        for (const std::string* groups : {&passing, &failing}) {
            for (size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
                end = groups->find('|', start);
                if (groups->empty()) break;
                const std::string name = "L" + std::to_string(++line);
                text += name + "(" + groups->substr(start, end - start) + ") = 1\n";
                if (groups == &passing) loaded += " " + name + "=1";
            }
        }
        const std::string dump = Load(text, model);
        EXPECT_EQ(dump.substr(0, dump.find(" {")), "|" + loaded) << text;
    }
    // Window events run once before each qualifier; B stops at its first.
    Catalogue c;
    int events = 0;
    c.ProcessEvents = [&] { ++events; };
    c.LoadDeviceText("[REMOTECODES]\nA(F:1, O:, Lot:1) = 1\nB(M:X, F:1) = 2\nC() = 3\nD = 4\n");
    EXPECT_EQ(events, 4);
    EXPECT_EQ(c.RemoteCount(), 3u);
}

// The window's and the command line's tests cover a user's folder adding
// and overriding models.
TEST(Loader, DeviceFilesAndTheModelList) {
    const fs::path root = fs::path(testing::TempDir()) / "kestrel-model-list";
    fs::remove_all(root);
    fs::create_directories(root / "p/DirIR.ini");
    fs::create_directories(root / "u");
    for (const char* name : {"p/AIR.ini", "p/IR.ini", "p/bir.INI", "p/D.ini", "p/XIR.ini.bak",
                             "u/CIR.ini", "u/cIR.ini"})
        std::ofstream(root / name) << "[COMMANDS]\r\nPower = 10; Query\r\n";
    const std::vector<ModelSource> models =
        ListModels((root / "p").string(), (root / "u").string());
    std::multiset<std::string> names;  // two spellings of a user's model: the first
    for (const ModelSource& model : models)
        names.insert(UpperCase(model.name) + "@" + fs::path(model.folder).filename().string());
    EXPECT_EQ(names, (std::multiset<std::string>{"A@p", "@p", "B@p", "C@u"}));
    EXPECT_EQ(ModelFolder(models, "c", "?") + ModelFolder(models, "Q", "?"),
              (root / "u?").string());
    EXPECT_TRUE(DiscoverModels((root / "none").string()).empty());
    Catalogue c;  // found ignoring case
    EXPECT_TRUE(c.LoadDeviceFile((root / "p").string(), "BIR.ini").ok());
    EXPECT_EQ(c.CommandCount(), 1u);
    EXPECT_EQ(c.LoadDeviceFile((root / "p").string(), "QIR.ini").reason(),
              "There is no INI file named QIR.ini, one is required");
}

}  // namespace
}  // namespace kestrel
