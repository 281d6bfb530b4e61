// The texts of the files the program writes and reads, in one place for the
// writer and every reader: Gen ALL's output files, the converter hex2ccf that
// reads the Pronto hex file, and the names the program looks for.
//
// Header-only, so that hex2ccf includes it without linking the catalogue.
//
// Text listing, two lines per sample:
//   IR Data For Command <caption>
//   <Pronto hex text>
// Pronto hex file (also the temporary file of a CCF run):
//   IR Data For Command <caption>  Device Code: <dec> Function: <dec><value>
//   <Pronto hex text>
// Companion listing beside a CCF file, one line per sample:
//   Pronto Button # 000 labeled as <label, padded to 5> is IR Data For Command: <caption>
#pragma once

#include <cstddef>
#include <string_view>

namespace kestrel::file_format {

// Every line of every output file ends so.
inline constexpr std::string_view kLineEnd = "\r\n";

// The first line of an entry of the text listing and the Pronto hex file.
inline constexpr std::string_view kEntryPrefix = "IR Data For Command ";
// The Pronto hex file's first line goes on after the caption with the
// function code in decimal and then the button label.
inline constexpr std::string_view kDeviceCodeMark = "  Device Code: ";
inline constexpr std::string_view kFunctionMark = " Function: ";

// The companion listing's line: the button number of at least three digits,
// the label padded with blanks to the label width (a longer label is not
// padded), then the caption.
inline constexpr std::string_view kButtonPrefix = "Pronto Button # ";
inline constexpr size_t kButtonDigits = 3;
inline constexpr std::string_view kLabeledAs = " labeled as ";
inline constexpr size_t kLabelWidth = 5;
inline constexpr std::string_view kCommandMark = " is IR Data For Command: ";

// The Pronto hex file of a CCF run, in the chosen file's folder; the
// converter is started with this bare name.
inline constexpr std::string_view kTemporaryFile = "Temp$$.hex";
// The converter that turns it into the CCF file, in the program's folder.
inline constexpr std::string_view kConverterName = "hex2ccf";

// A model's device description file is the model's name followed by this.
inline constexpr std::string_view kDeviceFileSuffix = "IR.ini";

// The function code (in decimal) that selects the remote-control protocol.
inline constexpr int kRemoteFunctionCode = 8324;
inline constexpr std::string_view kRemoteFunctionCodeText = "8324";

namespace detail {
constexpr int Decimal(std::string_view text) {
    int value = 0;
    for (const char c : text)
        value = value * 10 + (c - '0');
    return value;
}
}  // namespace detail
static_assert(detail::Decimal(kRemoteFunctionCodeText) == kRemoteFunctionCode);

}  // namespace kestrel::file_format
