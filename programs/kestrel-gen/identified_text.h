// What identify and learn share: the catalogues a capture is named from,
// and the lines that say what a capture is.
#pragma once

#include <cstdint>
#include <string>

#include "commands.h"
#include "learn/identifier.h"

namespace kestrel {

class Display;

// "1 time", "3 times".
std::string Plural(int64_t count, const char* one, const char* many);

// Adds --model's catalogue, or every model's of the folders, to identifier.
// False (after a message on display) when --model's cannot be loaded or no
// model can.
bool AddCatalogues(const CliOptions& options, Identifier& identifier, Display& display);

// The lines after a capture's heading: its notes, then for each code heard
// its frame, how it was heard, its "match:" lines, its "entry:" lines (or
// "entry: none" and the "nearest:" ones) and the catalogue's "code:" lines.
std::string IdentifiedText(const Identification& found, int32_t protocolHz);

}  // namespace kestrel
