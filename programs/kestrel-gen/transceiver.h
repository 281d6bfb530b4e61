// kestrel-gen's way to the transceiver: the driver and the device the
// settings file, the environment and --driver and --device choose.
#pragma once

#include <optional>

#include "commands.h"
#include "transmitter/transmitter.h"

namespace kestrel {

// The location send, learn and devices open. What the settings or the
// environment name that cannot be used is told on standard error; nothing
// (after a usage error) when --driver or --device names nothing usable.
std::optional<DriverLocation> ChosenDriver(const CliOptions& options);

}  // namespace kestrel
