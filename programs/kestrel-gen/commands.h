// The subcommands of kestrel-gen. Each takes the arguments after its name
// and returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace kestrel {

using Args = std::vector<std::string>;

// Exit status for refused input and usage errors.
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

int RunPronto(const Args& args);
int RunModels(const Args& args);
int RunShow(const Args& args);
int RunCode(const Args& args);
int RunRemote(const Args& args);
int RunManual(const Args& args);
int RunExport(const Args& args);
int RunSend(const Args& args);
int RunCheck(const Args& args);
int RunPlot(const Args& args);
int RunDecode(const Args& args);
int RunIdentify(const Args& args);

}  // namespace kestrel
