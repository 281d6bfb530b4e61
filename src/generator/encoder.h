// The field encoder: a form and the request values become signed durations
// in microseconds (marks positive, spaces negative). Raw spans are copied
// duration by duration, fields send their low bits with the protocol's bit
// symbols, and the checksum field sends the low byte of the sum of the
// labelled fields before it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"
#include "generator/defines.h"
#include "generator/durations.h"
#include "generator/evaluator.h"
#include "generator/protocol.h"

namespace kestrel {

class Encoder {
  public:
    // Numeric fields are worked out by evaluator, over the same defines and
    // request values. What does not stop a code (a label without a value, a
    // failed evaluation, which then sends 0) is added to notes in the order
    // it happens.
    Encoder(const ProtocolRecord& protocol, DefineTable& defines, const RequestValues& request,
            Evaluator& evaluator, std::vector<std::string>& notes);

    // Encodes the form repetitions times into out. A form that breaks the
    // limits of a code is refused with the reason, and out is left empty.
    Status EncodeForm(const std::string& form, DurationBuffer& out, int repetitions = 1);

  private:
    class Run;

    const ProtocolRecord& protocol_;
    DefineTable& defines_;
    const RequestValues& request_;
    Evaluator& evaluator_;
    std::vector<std::string>& notes_;
    FormCache forms_;
};

}  // namespace kestrel
