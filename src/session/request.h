// The generation request and what the window's handlers do to its fields.
//
// Every routine here is the body of a window handler without the widget work
// (showing and hiding panels, filling lists), so the window's handlers stay
// thin. They read and write the fields through WindowFields at the moment
// the handler does, never through a copy, and show nothing: what the user
// is to see comes back in an Outcome (outcome.h), with the field writes
// that follow it, for the caller to play at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "session/fields.h"
#include "session/outcome.h"

namespace kestrel {

class Catalogue;
class Generator;

// "A", "D" or "H" for the selected option; otherwise "V", selecting the
// Value option when it is not selected.
std::string GetValueKind(WindowFields& fields);

// The Pronto text for the fields as the outcome's code, or "" when the
// function code or the value is missing (the outcome flashes "There is no
// function code entered" or "There is no value entered") or the generator
// refuses the request. The generator's notes are messages in their order,
// then the reason of a refusal.
// The discrete forms apply in Discrete mode and in Manual mode unless the
// decimal code is exactly "8324"; otherwise the remote form. With no
// value-kind option selected, Value is selected before the form is chosen,
// so that the form and the kind sent agree (the text form with kind "V").
Outcome RequestCode(WindowFields& fields, Generator& generator);

// The generator's notes as messages, in their order.
std::vector<Notice> NoticesOf(const std::vector<std::string>& notes);

// The character codes (0-255) of text in decimal, separated by ",".
std::string EditValue(std::string_view text);

// Whether st is acceptable for the command selected in the command list:
// within the range of a range command (by the leading-number rule),
// anything for an enumeration, nothing otherwise (a query, or no command found).
bool CheckValue(const Catalogue& catalogue, const WindowFields& fields, std::string_view st);

// The value error: its flash, after which the value and the output are
// emptied.
Outcome ValueError(WindowFields& fields);

// The field work of picking a mode (Discrete, Remote or Manual), run after
// the window has switched its panels.
// Discrete: output, code boxes and value emptied; ASCII, DEC and HEX
// deselected. Remote: output and value emptied, the codes 8324 and 2084,
// DEC selected. Manual: output, code boxes and value emptied, Value selected.
void SelectDiscrete(WindowFields& fields);
void SelectRemote(WindowFields& fields);
void SelectManual(WindowFields& fields);

// Picking a model: an empty name changes nothing. Otherwise ModelName
// becomes name and the model's file is loaded from folder; refused when the
// file is missing (the window shows the reason and ends the program).
Status SelectModel(Catalogue& catalogue, const std::string& folder, const std::string& name);

// What a click in the command list asks the window to show.
struct CommandClick {
    enum class Show { Values, Range, Query } show = Show::Query;
    std::vector<std::string> labels;  // Values: the items of the value list
    std::string rangePrompt;          // Range: the range panel's prompt
    Outcome outcome;                  // played before the panels change
};

// A click on a command: the selected command's function code goes into the
// code boxes, value and output are emptied, and Value is selected for an
// enumeration or range command. A command with neither flashes "Query
// Commands are not handled by IR" after the boxes have been set.
CommandClick ClickCommand(const Catalogue& catalogue, WindowFields& fields);

// A click on a value: for list position (from 0) of the selected command's
// values, the choice's code becomes the value, the output is emptied and
// then set to the code generated for it (after the request's notices).
Outcome ClickValue(const Catalogue& catalogue, WindowFields& fields, int position,
                   Generator& generator);

// A click on a remote button at list position (from 0): its code becomes the
// value and the output the code generated for it (after the request's
// notices).
Outcome ClickRemote(const Catalogue& catalogue, WindowFields& fields, int position,
                    Generator& generator);

// The range panel's IR Gen with the text of its range box: the text
// becomes the value; when CheckValue accepts it the output becomes the
// generated code, otherwise the outcome is the value error (ValueRefused:
// the range panel's IR SEND sends only when the check passed).
Outcome GenerateRangeValue(const Catalogue& catalogue, WindowFields& fields,
                           const std::string& rangeText, Generator& generator);

// Manual entry. The range test: the leading number of the decimal function
// code is above 255 and not 8324; it gives "Illegal function code. The function code exceeds
// 255 decimal" and refuses nothing.
inline constexpr const char* kIllegalFunctionCode =
    "Illegal function code. The function code exceeds 255 decimal";
// A decimal function code that is no whole decimal number from 0 up.
inline constexpr const char* kNotAFunctionCode =
    "The function code must be a whole decimal number from 0 to 2147483647";
// Enter in the decimal code box or leaving it: the hexadecimal code box
// gets the code in lower-case hexadecimal, unless the range test fails or
// the decimal code is no whole decimal number from 0 up (message; nothing changes).
Outcome UpdateHexFromDecimal(WindowFields& fields);
// Enter in the hexadecimal code box or leaving it: its code is upper-cased
// and the decimal code set from it; the range test then only warns. A text whose value does not fit
// 32 bits gives the message and changes nothing else.
Outcome UpdateDecimalFromHex(WindowFields& fields);

}  // namespace kestrel
