// The program's start: the window, the model list, the transmitter.
#pragma once

#include <string>
#include <vector>

namespace kestrel {

class MainWindow;
class Transmitter;

// What Main does once the window has loaded: disables the Manual mode, fills
// the model selector from the device files beside the program, shows the
// window, shows each of settingsProblems (what the driver settings said
// that could not be used) in a message box, and opens the transmitter. When
// that fails, its reason is flashed with " IR Transmission Disabled." for 3
// seconds and both send buttons are disabled for the rest of the run.
void StartUp(MainWindow& window, Transmitter& transmitter,
             const std::vector<std::string>& settingsProblems = {});

}  // namespace kestrel
