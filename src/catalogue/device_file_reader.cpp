#include "catalogue/device_file_reader.h"

#include "base/lines.h"
#include "catalogue/field_cursor.h"
#include "util/text.h"

namespace kestrel {
namespace {

// The rest of a "M:" or "O:" qualifier: the word and whether "~" negates it
// (blanks after the "~" are dropped).
std::string_view QualifierWord(std::string_view rest, bool& negated) {
    rest = TrimBlanks(rest);
    negated = !rest.empty() && rest[0] == '~';
    if (negated) rest = TrimBlanks(rest.substr(1));
    return rest;
}

Qualifier ParseQualifier(std::string text) {
    Qualifier qualifier;
    if (text.size() >= 2 && text[1] == ':') {
        const std::string_view rest = std::string_view(text).substr(2);
        switch (UpperAscii(text[0])) {
            case 'M':
                qualifier.kind = Qualifier::Kind::Model;
                qualifier.word = QualifierWord(rest, qualifier.negated);
                break;
            case 'F':
                qualifier.kind = Qualifier::Kind::Firmware;
                qualifier.word = rest;
                break;
            case 'O':
                qualifier.kind = Qualifier::Kind::Option;
                qualifier.word = QualifierWord(rest, qualifier.negated);
                break;
            default:
                break;
        }
    }
    qualifier.text = std::move(text);
    return qualifier;
}

Section HeaderSection(std::string_view header) {
    const std::string squeezed = SqueezeUpper(header);
    if (squeezed == "[SYSTEM]") return Section::System;
    if (squeezed == "[COMMANDS]") return Section::Commands;
    if (squeezed == "[REMOTECODES]") return Section::RemoteCodes;
    return Section::None;
}

}  // namespace

void ReadDeviceFile(std::string_view text, DeviceFileHandler& handler) {
    Section section = Section::None;
    ForEachNumberedLine(text, [&](std::string_view raw, int64_t number) {
        std::string_view line = TrimBlanks(raw);
        const size_t apostrophe = line.find('\'');
        if (apostrophe != std::string_view::npos) line = line.substr(0, apostrophe);
        if (line.empty()) return;
        if (line[0] == '[') {
            const Section known = HeaderSection(line);
            if (known == Section::None) {
                handler.OnUnknownHeader(TrimBlanks(line), section, number);
            } else {
                section = known;
                handler.OnSection(section, number);
            }
            return;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            handler.OnUnreadable(LineProblem::NoEquals, section, number);
            return;
        }
        DeviceFileEntry entry;
        entry.section = section;
        entry.line = number;
        std::string unqualified;  // the line without its group, when it has one
        const size_t open = line.find('(');
        if (open != std::string_view::npos && open < equals) {
            const size_t close = line.find(')', open + 1);
            if (close == std::string_view::npos || close > equals) {
                handler.OnUnreadable(LineProblem::GroupNotClosed, section, number);
                return;
            }
            QualifierGroup group;
            group.text = TrimBlanks(line.substr(open + 1, close - open - 1));
            FieldCursor items(group.text);
            while (!items.Empty())
                group.items.push_back(ParseQualifier(items.Next(",")));
            entry.group = std::move(group);
            // The name before the group meets the rest after the line's
            // first ")", which may come before the "(".
            unqualified = std::string(line.substr(0, open));
            unqualified += line.substr(line.find(')') + 1);
            line = unqualified;
        }
        FieldCursor fields(line);
        const std::string name = fields.Next("=");
        entry.name = name;
        entry.value = fields.Rest();
        handler.OnEntry(entry);
    });
}

}  // namespace kestrel
