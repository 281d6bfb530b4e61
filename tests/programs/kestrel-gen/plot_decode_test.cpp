// kestrel-gen decode and plot end to end: what decode prints, what both
// refuse, and that the picture plot writes shows the marks where the
// durations say.

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "support/golden.h"
#include "support/run_tool.h"

namespace kestrel::test {
namespace {

const std::string kTool = KESTREL_PROGRAM_DIR "/kestrel-gen";
const std::string kDevices = KESTREL_SOURCE_DIR "/devices";
const std::string kFiles = ::testing::TempDir() + "kestrel-gen-plot-";

// Lines from standard input; a blank one is skipped, but counted.
TEST(KestrelGenDecode, PrintsWhatLinesCarry) {
    const ToolResult r = RunTool(
        "/bin/sh",
        {"-c",
         "printf '%s\\n\\n%s\\nbad\\n' \"$1\" \"$2\" | \"$0\" decode --model Tessel10 --dir \"$3\"",
         kTool, GoldenCode("requests.txt", "$ [manual] [16] [1] [--kind] [D]"),
         GoldenCode("requests.txt", "$ [code] [Tessel10] [Power] [On]"), kDevices});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kestrel-gen: Line 4 is not a Pronto code: not a Pronto hex code\n");
    // 100 periods of 1000000 / (108 x 0.241246) = 38381 Hz make 2605 us.
    EXPECT_EQ(
        r.out.rfind("line 1: carrier 38381 Hz, 54 durations\n  once: 2605 -2605 573 -547 ", 0), 0u);
    for (const char* part : {" 1772 -1772 573 -26\n  repeat: none\n"
                             "  match: discrete, device 16 (0x10), function 1 (0x1)\n"
                             "  match: valuetext, device 16 (0x10), value \"\\x01\"\n"
                             "  entry: none\nline 3: ",
                             "  match: valuetext, device 16 (0x10), value \"1\"\n"
                             "  entry: Power = On\n"}) {
        EXPECT_NE(r.out.find(part), std::string::npos) << r.out;
    }
    // The quote a code sends is escaped in its value text.
    const ToolResult quote =
        RunTool("/bin/sh", {"-c", "\"$0\" manual 7 '\"' --kind A | \"$0\" decode", kTool});
    EXPECT_NE(quote.out.find("device 7 (0x7), value \"\\\"\"\n"), std::string::npos) << quote.out;
}

TEST(KestrelGenDecode, TextThatIsNoProntoCodeOrNoFileIsRefused) {
    const std::string usage = "\nusage: kestrel-gen plot code MODEL COMMAND VALUE";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;  // what standard error holds
    } rows[] = {
        {{"decode", "0000 006C 0001 0000 001G 0010"},
         1,
         "kestrel-gen: Line 1 is not a Pronto code: not a Pronto hex code\n"},
        {{"decode", "0000 006C 0003 0000 0010 0010"},
         1,
         "kestrel-gen: Line 1 is not a Pronto code: pair counts do not match the words\n"},
        {{"plot", "--pronto", "0000 006C", "-o", kFiles + "not-a-code.png"},
         1,
         "kestrel-gen: The text is not a Pronto code: not a Pronto hex code\n"},
        {{"plot", "remote", "Tessel10", "Menu", "--dir", kDevices, "-o",
          kFiles + "none/signal.png"},
         1,
         "kestrel-gen: Could not write the file '" + kFiles + "none/signal.png': "},
        {{"plot", "--pronto", "0000 006C 0001 0000 0010 0010", "-o", kFiles + "x.jpg"},
         2,
         "kestrel-gen: the file '" + kFiles + "x.jpg' ends neither in .png nor in .svg"},
        {{"plot", "--pronto", "0000", "-o", "x.png", "--format", "gif"},
         2,
         "png or svg, not 'gif'"},
        {{"plot", "manual", "16", "1", "--kind", "Q", "-o", kFiles + "q.png"}, 2, usage},
        {{"plot", "--pronto", "0000 006C 0001 0000 0010 0010"}, 2, usage},
        {{"plot", "bogus", "-o", kFiles + "b.png"}, 2, usage},
        {{"plot", "code", "Tessel10", "-o", "a.png", "-o", "b.png"}, 2, usage},
    };
    for (const auto& row : rows) {
        const ToolResult r = RunTool(kTool, row.args);
        EXPECT_EQ(r.status, row.status) << row.args[1];
        EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(kFiles + "not-a-code.png"));
}

TEST(KestrelGenPlot, TheMarksStandWhereTheDurationsSay) {
    // Marks of 64 and 32 periods in the once part, 96 and 32 in the repeat
    // part: they start at 0, 96, 192 and 320 periods and end at 64, 128,
    // 288 and 352 (of 480).
    const std::string file = kFiles + "signal.png";
    const ToolResult r =
        RunTool(kTool, {"plot", "--pronto",
                        "0000 006C 0002 0002 0040 0020 0020 0040 0060 0020 0020 0080", "-o", file});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage image(QString::fromStdString(file));
    ASSERT_EQ(image.size(), QSize(1000, 260));
    struct Run {  // of one colour other than the background along the middle row
        int from, to;
        QRgb colour;
    };
    std::vector<Run> runs;
    for (int x = 0, y = image.height() / 2; x < image.width(); ++x) {
        const QRgb pixel = image.pixel(x, y);
        if (pixel == image.pixel(0, y)) continue;
        if (runs.empty() || runs.back().to != x - 1 || runs.back().colour != pixel)
            runs.push_back({x, x, pixel});
        runs.back().to = x;
    }
    ASSERT_EQ(runs.size(), 4u);
    const double perPeriod = (runs[3].to + 1 - runs[0].from) / 352.0;
    EXPECT_GT(perPeriod * 480, 950);  // about the whole width
    const int starts[] = {0, 96, 192, 320}, ends[] = {64, 128, 288, 352};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(runs[i].from - runs[0].from, starts[i] * perPeriod, 1.5) << i;
        EXPECT_NEAR(runs[i].to + 1 - runs[0].from, ends[i] * perPeriod, 1.5) << i;
    }
    // The once part's colour, then the repeat part's.
    EXPECT_EQ(runs[0].colour, runs[1].colour);
    EXPECT_EQ(runs[2].colour, runs[3].colour);
    EXPECT_NE(runs[0].colour, runs[2].colour);
}

}  // namespace
}  // namespace kestrel::test
