// The export library apart from kestrel-gen: a Broadlink packet worked out
// by hand, the forms of a name, the readers on files as other tools write
// them (the examples of the formats' own documentation) and on broken ones,
// and what a writer refuses.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "export/broadlink_packet.h"
#include "export/code_readers.h"
#include "export/format_writers.h"
#include "export/sample_names.h"
#include "support/memory_files.h"

namespace kestrel {
namespace {

using Micros = std::vector<int32_t>;

// 8920 us are 271.6 units of 32.84 us (00 01 10), 4450 are 135.5 (88), 560
// are 17.05 (11); the final space gives way to the closing gap 00 0D 05.
TEST(BroadlinkPacket, WorkedExample) {
    const std::vector<int64_t> durations = {8920, -4450, 560, -26};
    const std::string packet("\x26\x00\x08\x00\x00\x01\x10\x88\x11\x00\x0D\x05", 12);
    EXPECT_EQ(BroadlinkPacket(durations).value_or(""), packet);
    // 272, 136, 17 and 3333 units back in microseconds.
    EXPECT_EQ(ReadBroadlinkPacket(packet).value_or({}), (Micros{8932, -4466, 558, -109445}));
    EXPECT_EQ(ReadBroadlinkPacket(packet + std::string(4, '\0')).value_or({}).size(), 4u);
    EXPECT_EQ(ReadBroadlinkPacket(packet.substr(0, 11)).reason(),
              "a Broadlink packet is cut short");
    EXPECT_EQ(ReadBroadlinkPacket(std::string("\xB2\x00\x00\x00", 4)).reason(),
              "not a Broadlink IR packet (its type is 178)");
    EXPECT_FALSE(BroadlinkPacket(std::vector<int64_t>{3000000, -10}));  // beyond two bytes
    // RFC 4648's test vectors.
    EXPECT_EQ(Base64("f") + Base64("fo") + Base64("foobar"), "Zg==Zm8=Zm9vYmFy");
    EXPECT_EQ(FromBase64("Zm9v\nYmFy").value_or("?"), "foobar");
    EXPECT_FALSE(FromBase64("Zm9v!"));
}

TEST(SampleNames, FormsAndKeys) {
    EXPECT_EQ(AsciiText("Stra\xdf"
                        "e \xc7"
                        "a \x01\xd7"),
              "Strasse Ca __");
    const char* const identifiers[][2] = {
        {"Picture Mode = Cin\xe9ma", "PICTURE_MODE_CINEMA"},
        {"Contrast(0x21/33) Minimum of Range=-50", "CONTRAST_0X21_33_MINIMUM_OF_RANGE_MINUS_50"},
        {"Down-3", "DOWN_3"},
        {" --= ", "CODE"},
    };
    for (const auto& [text, identifier] : identifiers)
        EXPECT_EQ(Identifier(text), identifier) << text;
    const struct {
        SampleRule rule;
        const char *command, *label, *value, *key;
    } keys[] = {
        {SampleRule::Remote, "Vol Up", "Remote button", "12", "KEY_VOLUMEUP"},
        {SampleRule::Remote, "9", "Remote button", "9", "KEY_NUMERIC_9"},
        {SampleRule::Remote, "PIP Swap", "Remote button", "41", "PIP_SWAP"},
        {SampleRule::Enumeration, "Power", "On", "1", "POWER_ON"},
        {SampleRule::Enumeration, "Power", "Toggle", "2", "KEY_POWER"},
        {SampleRule::Value, "Gamma", "Value of Range", "1.75", "GAMMA_1_75"},
    };
    for (const auto& row : keys) {
        Sample sample;
        sample.rule = row.rule;
        sample.command = row.command;
        sample.label = row.label;
        sample.value = row.value;
        EXPECT_EQ(KeyName(sample), row.key) << row.command;
    }
    // A name made unique does not take one given later.
    SampleNamer namer;
    std::vector<std::string> names;
    for (const char* caption : {"A", "a", "A (2)", "A"}) {
        Sample sample;
        sample.caption = caption;
        names.push_back(namer.Name(sample));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A", "a (2)", "A (2) (2)", "A (3)"}));
}

// Files as other tools write them (the Flipper example is the one of its
// documentation), and broken ones: what is read, and what is noted.
TEST(CodeReaders, FilesOfOtherToolsAndBrokenOnes) {
    const struct {
        const char* name;
        CodeFormat format;
        std::string text;
        std::vector<std::string> codes;  // name, then carrier and first durations
        const char* note;                // how the first note ends, "" for none
    } rows[] = {
        {"flipper parsed NECext and raw",
         CodeFormat::Flipper,
         "Filetype: IR signals file\nVersion: 1\n#\nname: Button_1\ntype: parsed\nprotocol: "
         "NECext\naddress: EE 87 00 00\ncommand: 5D A0 00 00\n#\nname: Button_2\ntype: "
         "raw\nfrequency: 38000\nduty_cycle: 0.330000\ndata: 504 3432 502\n#\nname: "
         "X\ntype: parsed\nprotocol: RC5\naddress: 01 00 00 00\ncommand: 02 00 00 00\n",
         // EE 87 5D A0: 17 ones and 15 zeros of 560 + 1690 and 560 + 560 us
         {"Button_1 38000 9000 -4500 560 -560 560 -1690 560 -1690 ... 67 69110",
          "Button_2 38000 504 -3432 502"},
         "the code X is left out: protocol RC5 is not read"},
        {"flipper NEC inverts address and command",
         CodeFormat::Flipper,
         "Filetype: IR signals file\nname: P\ntype: parsed\nprotocol: NEC\naddress: 07 00 00 "
         "00\ncommand: 02 00 00 00\n",
         // 07 F8 02 FD: 16 ones and 16 zeros
         {"P 38000 9000 -4500 560 -1690 560 -1690 560 -1690 ... 67 67980"},
         ""},
        {"ir-ctl mode2 and signed lines",
         CodeFormat::IrCtl,
         "carrier 36000\npulse 889\nspace 889\n+1778 -889 # a comment\n+889 +100\n",
         {"send 36000 889 -889 1778 -889 989"},
         ""},
        {"ir-ctl scancode", CodeFormat::IrCtl, "scancode rc5:0x1e01\n", {}, "is left out"},
        {"keymap array and string",
         CodeFormat::Keymap,
         "[[protocols]]\nprotocol = 'raw'\n[[protocols.raw]]\nkeycode = 'KEY_POWER'\nraw = [ "
         "1324, 842,\n 6697 ]\n[[protocols.raw]]\nkeycode = \"KEY_\\u00C9\"\nraw = '+5 -6 +7'\n",
         {"KEY_POWER 0 1324 -842 6697", "KEY_\xc9 0 5 -6 7"},
         ""},
        {"keymap scancodes",
         CodeFormat::Keymap,
         "[[protocols]]\nprotocol = \"nec\"\n[protocols.scancodes]\n0x10 = \"KEY_UP\"\n",
         {},
         "the scancodes of protocol nec are not read"},
        {"esphome block list, kHz and pronto",
         CodeFormat::Esphome,
         "button:\n  - name: 'It''s'\n    on_press:\n      - remote_transmitter.transmit_raw:\n"
         "          carrier_frequency: 38.4kHz\n          code:\n            - 100\n            "
         "- -200\n            - 300\n  - name: P # c\n    on_press:\n      - "
         "remote_transmitter.transmit_pronto:\n          data: \"0000 006C 0001 0000 0010 0020\"\n",
         {"It's 38400 100 -200 300", "P 38381 417 -834"},
         ""},
        {"home assistant bad base64",
         CodeFormat::HomeAssistant,
         "a:\n  alias: A\n  sequence:\n    - data:\n        command: b64:JgAFAAoUAA0F\nb:\n  "
         "sequence:\n    - data:\n        command: b64:J!\n",
         {"A 0 328 -657 109445"},
         "the code b is left out: it is not base64"},
        {"broadlink nested json and escapes",
         CodeFormat::Broadlink,
         R"({"version": 1, "data": {"tv": {"p\u00e9\/\t\u20ac\ud83d\ude00": "JgAFAAoUAA0F",)"
         R"( "rf": "sgAFAAoUAA0F"},)"
         R"( "list": [true, "JgAFAAoUAA0F"]}})",
         {"data/tv/p\xe9/\t?? 0 328 -657 109445", "data/list/1 0 328 -657 109445"},
         "the code data/tv/rf is left out: not a Broadlink IR packet (its type is 178)"},
        {"broadlink broken json",
         CodeFormat::Broadlink,
         "{\"a\": [1, 2",
         {},
         "the JSON breaks off or is malformed; reading stops"},
        {"girr entities, raw, flash and gap, ccf",
         CodeFormat::Girr,
         "<?xml version='1.0'?><!-- x --><g:remotes xmlns:g='http://www.harctoolbox.org/Girr'>"
         "<g:command name='A &amp; &lt;&gt;&#66;&#x43;&zz; B'><g:raw frequency='36000'>"
         "<g:intro>100 200 300 400"
         "</g:intro><g:repeat><g:flash>5</g:flash><g:gap>6</g:gap></g:repeat></g:raw>"
         "</g:command><g:command name='C' master='ccf'><g:raw><g:intro>+1 -2</g:intro></g:raw>"
         "<g:ccf>0000 006C 0001 0000 0010 0020</g:ccf></g:command>"
         "<g:command name='D'><g:parameters protocol='nec1'/></g:command>",
         {"A & <>BC&zz; B 36000 100 -200 300 -400 5 -6", "C 38381 417 -834"},
         "the code D is left out: it has no raw or ccf form"},
        {"girr unclosed",
         CodeFormat::Girr,
         "<remotes><command name='x'",
         {},
         "the markup is not closed; reading stops"},
    };
    for (const auto& row : rows) {
        const CodeFile file = ReadCodes(row.text, row.format, "/a/send");
        std::vector<std::string> codes;
        for (const ReadCode& code : file.codes) {
            std::string text = code.name + " " + std::to_string(code.carrierHz);
            int64_t sum = 0;
            for (size_t i = 0; i < code.durations.size(); ++i) {
                if (i < 8) text += " " + std::to_string(code.durations[i]);
                sum += std::abs(code.durations[i]);
            }
            // A longer code: its count and the sum of its durations.
            if (code.durations.size() > 8) {
                text += " ... " + std::to_string(code.durations.size()) + " " + std::to_string(sum);
            }
            codes.push_back(text);
        }
        EXPECT_EQ(codes, row.codes) << row.name;
        EXPECT_EQ(file.notes.empty(), *row.note == '\0') << row.name;
        if (!file.notes.empty()) {
            EXPECT_TRUE(file.notes[0].ends_with(row.note)) << file.notes[0];
        }
        EXPECT_EQ(DetectCodeFormat(row.text).value_or(CodeFormat::IrCtl), row.format) << row.name;
    }
    EXPECT_EQ(DetectCodeFormat("pulse 500\nspace 500\n"), CodeFormat::IrCtl);
    EXPECT_FALSE(DetectCodeFormat("no code here\n"));  // words of no format
    // Bytes of any kind give notes at most.
    std::string noise;
    for (int i = 0; i < 4096; ++i)
        noise += static_cast<char>((i * 7919) % 251);
    for (const char* format :
         {"flipper", "esphome", "homeassistant", "broadlink", "girr", "keymap", "irctl"}) {
        (void)ReadCodes(noise, *CodeFormatNamed(format));
        (void)ReadCodes("{[<\"\\u12", *CodeFormatNamed(format));
    }
}

// What a writer refuses: a Flipper code of more durations than the format
// holds, a Girr file of no command; what it escapes: control characters.
TEST(FormatWriters, RefuseOrEscapeWhatTheFormatCannotHold) {
    Catalogue catalogue;
    catalogue.ModelName = "M";
    test::MemoryFiles files;
    Sample sample;
    sample.caption = "Long";
    sample.code = "0000 006C 0201 0000";
    for (int i = 0; i < 1026; ++i)
        sample.code += " 0010";
    const auto run = [&](const char* format, bool write) {
        const std::unique_ptr<OutputWriter> writer = ExportKindNamed(format)->make();
        writer->Configure({});
        EXPECT_TRUE(writer->Open(files, "/out/x", catalogue));
        const Status written = write ? writer->Write(sample) : Status();
        return written ? writer->Close() : written;
    };
    EXPECT_EQ(run("flipper", true).reason(),
              "The file '/out/x' is not written: the code Long holds 1026 durations, more than "
              "the 1024 of a Flipper file");
    sample.caption = "A\x7F\x9F\xA0";  // DEL and C1 escaped, a no-break space in UTF-8
    sample.code = "0000 006C 0001 0000 0010 0010";
    EXPECT_TRUE(run("esphome", true));
    EXPECT_NE(files.files["/out/x"].bytes.find("name: \"A\\u007F\\u009F\xC2\xA0\""),
              std::string::npos);
    EXPECT_EQ(run("girr", false).reason(),
              "The file '/out/x' is not written: a Girr file holds at least one command, and "
              "there is none");
    EXPECT_EQ(ExportKindNamed("CSV"), OutputKindNamed("csv"));
    EXPECT_EQ(ExportKindNamed("xml"), nullptr);
}

}  // namespace
}  // namespace kestrel
