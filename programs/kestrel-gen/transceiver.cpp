#include "transceiver.h"

#include "stderr_display.h"
#include "transmitter/driver_choice.h"
#include "util/program_folder.h"

namespace kestrel {

std::optional<DriverLocation> ChosenDriver(const CliOptions& options) {
    DriverFlags flags;
    if (options.Has("--driver")) flags.driver = options.Value("--driver");
    if (options.Has("--device")) flags.device = options.Value("--device");
    const Result<DriverChoice> choice = ChooseDriver(ProgramFolder(), flags);
    if (!choice) {
        (void)UsageError(options, choice.reason());
        return std::nullopt;
    }
    StderrDisplay display;
    for (const std::string& problem : choice->problems)
        display.ShowMessage(problem);
    return choice->location;
}

}  // namespace kestrel
