// The field encoder: a form and the request values become signed durations
// in microseconds (marks positive, spaces negative). Raw spans are copied
// duration by duration, fields send their low bits with the protocol's bit
// symbols, and the checksum field sends the low byte of the sum of the
// labelled fields before it.
#pragma once

#include <cstdint>
#include <string>

#include "generator/defines.h"
#include "generator/durations.h"
#include "generator/evaluator.h"
#include "generator/protocol.h"

namespace kestrel {

class Display;

class Encoder {
  public:
    // Numeric fields are worked out by evaluator, over the same defines and
    // request values.
    Encoder(const ProtocolRecord& protocol, DefineTable& defines, const RequestValues& request,
            Evaluator& evaluator, Display& display);

    // Encodes the form repetitions times into out and returns the number of
    // durations. A form that breaks the limits of a code is refused: the
    // reason is shown, out is left empty and the result is -1.
    int EncodeForm(const std::string& form, DurationBuffer& out, int repetitions = 1);

  private:
    class Run;

    const ProtocolRecord& protocol_;
    DefineTable& defines_;
    const RequestValues& request_;
    Display& display_;
    Evaluator& evaluator_;
    FormCache forms_;
};

}  // namespace kestrel
