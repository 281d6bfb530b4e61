// The files of other IR tools as captures for identify: each export format
// whose readers are in export/code_readers.h (Flipper, ESPHome, Home
// Assistant, Broadlink, Girr, rc keymaps) as one more capture reader. The
// ir-ctl files of an export are read by the built-in readers already.
#pragma once

#include "learn/capture_readers.h"

namespace kestrel {

// Adds a reader for each export format to readers, after those it has.
void AddExportReaders(CaptureReaders& readers);

}  // namespace kestrel
