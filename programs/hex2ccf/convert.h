// The whole conversion of one Pronto hex file into one CCF file, with the
// file handling around the reader and the writer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ccf_writer.h"

namespace kestrel::hex2ccf {

// The bytes of the file at path; refused with a message naming the file
// and the reason.
Result<std::string> ReadWholeFile(const std::string& path);

// The device name for an output path: its file name without the extension.
std::string DeviceNameFor(const std::string& outputPath);

// The time to store as the file's modification time: the moment given by
// the environment variable SOURCE_DATE_EPOCH (seconds since 1970, in UTC)
// when it holds a valid number, otherwise the local time now.
CcfTimestamp TimestampNow();
// SOURCE_DATE_EPOCH's text as a UTC time; empty when the text is not a
// plain non-negative number or lies outside the years 1970..9999.
std::optional<CcfTimestamp> TimestampFromEpochText(const std::string& text);

// Reads input, builds the CCF file and writes it to output (util's
// FileWriter: whole through a temporary file, a link followed, a pipe or
// device in place); on a refusal output is untouched. Texts that had to be shortened are added to
// warnings, also when the file cannot be written then.
Status ConvertFile(const std::string& input, const std::string& output,
                   const CcfTimestamp& modified, std::vector<std::string>* warnings = nullptr);

}  // namespace kestrel::hex2ccf
