// The exports of kestrel-gen: Gen ALL's samples (enumeration choices and
// range samples, with the short captions of the Pronto hex file) as a
// lircd.conf, as JSON or as CSV. Each is one file, written whole: it
// appears only when complete (OutputFiles::Create).
//
//   lircd  one remote named after the model, RAW_CODES, one raw code per
//          sample named from its caption (upper case; blanks, "#" and bytes
//          outside printable ASCII become "_", runs of "_" one; made unique
//          with "_2", "_3", ...); the durations are the Pronto words times
//          the carrier period without the final space. A sample without a
//          code is left out.
//   json   {"model", "firmware", "options", "samples": [{"caption",
//          "command", "value", "functionCode": {"decimal", "hex"},
//          "valueKind", "carrier", "durations", "pronto"}, ...]}, UTF-8,
//          lines ending in LF
//   csv    the same fields as columns (functionDecimal, functionHex), one
//          header row, RFC 4180 quoting, UTF-8, lines ending in CR LF
//
// The carrier and durations of JSON and CSV are the generator's (before
// the Pronto text rounds them to whole carrier periods); null and [] (empty
// cells in CSV) for a sample whose request was refused.
#pragma once

#include <memory>

namespace kestrel {

class OutputWriter;

std::unique_ptr<OutputWriter> MakeLircdWriter();
std::unique_ptr<OutputWriter> MakeJsonWriter();
std::unique_ptr<OutputWriter> MakeCsvWriter();

}  // namespace kestrel
