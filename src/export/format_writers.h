// The exports for today's IR tools and hubs, one writer class per format,
// behind the OutputWriter interface of Gen ALL's runs:
//
//   flipper        a Flipper Zero .ir file: "Filetype: IR signals file",
//                  "Version: 1", one "#"-separated raw entry per code (name in
//                  ASCII, frequency, duty_cycle 0.330000, data in us); a code
//                  of more than 1024 durations is refused, naming it
//   esphome        YAML for ESPHome: one template button per code that sends
//                  it with remote_transmitter.transmit_pronto, or with
//                  transmit_raw (carrier_frequency, signed us) under --raw
//   homeassistant  YAML of Home Assistant scripts, one per code, each a
//                  remote.send_command of "b64:" and the code's Broadlink
//                  packet (export/broadlink_packet.h)
//   broadlink      a JSON object of name to the base64 of the Broadlink packet
//   girr           Girr 1.3 XML: remotes/remote/commandSet/command, each with
//                  the protocol's form and fields as <parameters> when the
//                  decoder reads them, <raw> (intro, and repeat for a code
//                  that has one) and <ccf> (the Pronto text)
//   keymap         a Linux rc keymap (TOML) of protocol "raw", one entry per
//                  code: its key and its pulses and spaces, final space left
//                  out (ir-keytable, ir-ctl --keymap)
//   irctl          a folder of ir-ctl send files, one per code and named by
//                  its identifier: "carrier", then one "pulse" or "space"
//                  line per duration, final space left out
//
// Every export takes the samples of the text listing (or, complete, every
// entry: ExportOptions) and leaves out a sample whose request was refused.
// The durations are the Pronto words times the carrier period (the once part,
// then the repeat part), at least 1 us each; the carrier is the one the
// frequency word stands for, in whole hertz. The names come from SampleNamer
// (export/sample_names.h). Texts are UTF-8, lines end in LF, and each file is
// written whole (OutputFiles::Create).
#pragma once

#include <string_view>

#include "export/generate_all_writers.h"

namespace kestrel {

// The kind with that name (ignoring case): one of the formats above, else
// one of Gen ALL's own (OutputKindNamed); null when there is none.
const OutputKind* ExportKindNamed(std::string_view name);

// The names of the formats above, in the order of the table.
std::string_view ExportKindNames();

}  // namespace kestrel
