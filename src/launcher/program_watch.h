// Watching a started program from the event loop: its standard error is
// read as it comes and its end is reported once, without ever blocking.
#pragma once

#include <functional>
#include <memory>

#include "launcher/launch_app.h"

class QObject;

namespace kestrel {

using ProgramEndHandler = std::function<void(StartedProgram& program, const ProgramEnd& end)>;

// Reports the end of program to onEnd from owner's event loop. The watch
// belongs to owner: when owner goes away first, the program runs on
// unwatched.
void WatchProgram(QObject* owner, std::unique_ptr<StartedProgram> program, ProgramEndHandler onEnd);

}  // namespace kestrel
