// Starting an outside program, such as the converter hex2ccf that turns a
// Pronto hex file into a CCF file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

// Starts program as a detached process with arguments handed over as a list
// (never through a shell) and workingFolder as its current folder, and
// returns at once without waiting for it. Standard input is the null device.
// Texts are bytes in the file system's encoding (UTF-8); a text that cannot
// be handed over unchanged is refused. True when the program was started;
// processId then receives its process id.
bool StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& workingFolder, int64_t* processId = nullptr);

}  // namespace kestrel
