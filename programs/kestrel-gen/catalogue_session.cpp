#include "catalogue_session.h"

#include <algorithm>
#include <cstdlib>

#include "util/text.h"

namespace kestrel {

void ShowNotes(const std::vector<std::string>& notes, Display& display) {
    for (const Notice& note : NoticesOf(notes))
        kestrel::Show(note, display);
}

CliSession::CliSession() {
    ShowNotes(generator.SetupProtocol(), display);
}

Status CliSession::SelectModel(const std::string& model) {
    if (model.empty()) return Refused("kestrel-gen: the model name is empty");
    fields.selectedCommand.clear();  // the lists are emptied
    return kestrel::SelectModel(catalogue, ModelFolderOf(model), model);
}

Status CliSession::Play(const Outcome& outcome) {
    outcome.PlayNotes(fields, [this](const Notice& notice) { Show(notice, display); });
    const Notice* refusal = outcome.Refusal();
    if (!refusal) return {};
    // As the display words it: the value error's flash says "Value Error".
    return Refused(refusal->kind == Notice::Kind::ValueError ? "Value Error" : refusal->text);
}

std::string CliSession::ModelFolderOf(const std::string& model) const {
    if (userFolder.empty()) return folder;
    return ModelFolder(ListModels(folder, userFolder), model, folder);
}

namespace {

// The code in the output box once status says the request went through.
Result<std::string> OutputCode(const Status& status, const FieldRecord& fields) {
    if (!status) return Refused(status.reason());
    if (fields.output.empty()) return Refused("No code was generated");
    return fields.output;
}

}  // namespace

Result<std::string> DiscreteCode(CliSession& session, const std::string& command,
                                 const std::string& value) {
    const std::optional<size_t> index = session.catalogue.FindCommand(command);
    if (!index) {
        return Refused("The model " + session.catalogue.ModelName + " has no command named '" +
                       command + "'");
    }
    // The list shows the catalogue's spelling of the name.
    session.fields.selectedCommand = session.catalogue.Command(*index).Name;
    const CommandClick click = ClickCommand(session.catalogue, session.fields);
    if (const Status clicked = session.Play(click.outcome); !clicked)
        return Refused(clicked.reason());
    Status made;
    switch (click.show) {
        case CommandClick::Show::Values: {
            const auto label =
                std::find_if(click.labels.begin(), click.labels.end(),
                             [&](const std::string& text) { return EqualsNoCase(text, value); });
            if (label == click.labels.end()) {
                std::string known;
                for (const std::string& text : click.labels) {
                    known += (known.empty() ? "" : ", ") + text;
                }
                return Refused("The command " + command + " has no value labelled '" + value +
                               "'; its values are: " + known);
            }
            made = session.Play(ClickValue(session.catalogue, session.fields,
                                           static_cast<int>(label - click.labels.begin()),
                                           session.generator));
            break;
        }
        case CommandClick::Show::Range:
            made = session.Play(
                GenerateRangeValue(session.catalogue, session.fields, value, session.generator));
            break;
        case CommandClick::Show::Query:
            break;  // refused by the click
    }
    return OutputCode(made, session.fields);
}

Result<std::string> RemoteCode(CliSession& session, const std::string& button) {
    session.fields.PickMode(Mode::Remote);
    const std::optional<size_t> index = session.catalogue.FindRemote(button);
    if (!index) {
        return Refused("The model " + session.catalogue.ModelName +
                       " has no remote button named '" + button + "'");
    }
    const Status made = session.Play(ClickRemote(session.catalogue, session.fields,
                                                 static_cast<int>(*index), session.generator));
    return OutputCode(made, session.fields);
}

std::optional<ValueKindOption> KindOption(const std::string& letter) {
    const std::string upper = UpperCase(letter);
    if (upper == "A") return ValueKindOption::Ascii;
    if (upper == "D") return ValueKindOption::Dec;
    if (upper == "H") return ValueKindOption::Hex;
    if (upper == "V" || upper.empty()) return ValueKindOption::Value;
    return std::nullopt;
}

Result<std::string> ManualCode(CliSession& session, const std::string& code,
                               const std::string& value, ValueKindOption kind) {
    FieldRecord& fields = session.fields;
    fields.PickMode(Mode::Manual);
    fields.SetText(Box::CodeDecimal, code);
    // A code the box refuses is only said; the request goes on.
    const Outcome updated = UpdateHexFromDecimal(fields);
    updated.Play(fields, [&session](const Notice& notice) { Show(notice, session.display); });
    fields.SetText(Box::Value, value);
    fields.SelectKind(kind);
    const Outcome requested = RequestCode(fields, session.generator);
    const Status made = session.Play(requested);
    fields.SetText(Box::Output, requested.code);
    return OutputCode(made, fields);
}

std::optional<ValueKindOption> KindOf(const CliOptions& options) {
    const std::optional<ValueKindOption> kind = KindOption(options.Value("--kind"));
    if (!kind) {
        (void)UsageError(options,
                         "--kind takes A, D, H or V, not '" + options.Value("--kind") + "'");
    }
    return kind;
}

MadeCode MakeCode(CodeSource source, const CliOptions& options, size_t first) {
    const std::vector<std::string> args(
        options.positional.begin() +
            static_cast<std::ptrdiff_t>(std::min(first, options.positional.size())),
        options.positional.end());
    const char* expected = source == CodeSource::Discrete ? "MODEL COMMAND VALUE"
                           : source == CodeSource::Remote ? "MODEL BUTTON"
                                                          : "CODE VALUE";
    if (args.size() != (source == CodeSource::Discrete ? 3u : 2u)) {
        const size_t count = args.size();
        (void)UsageError(options, std::string(options.command->name) + " expects " + expected +
                                      ", got " + std::to_string(count) +
                                      (count == 1 ? " argument" : " arguments"));
        return {"", kExitUsage};
    }
    CliSession session;
    session.folder = options.dir;
    session.userFolder = options.userDir;
    Result<std::string> code = Refused("");
    switch (source) {
        case CodeSource::Discrete:
        case CodeSource::Remote:
            if (const Status selected = session.SelectModel(args[0]); !selected) {
                code = Refused(selected.reason());
            } else if (source == CodeSource::Discrete) {
                code = DiscreteCode(session, args[1], args[2]);
            } else {
                code = RemoteCode(session, args[1]);
            }
            break;
        case CodeSource::Manual: {
            const std::optional<ValueKindOption> kind = KindOf(options);
            if (!kind) return {"", kExitUsage};
            code = ManualCode(session, args[0], args[1], *kind);
            break;
        }
    }
    if (!code) {
        session.display.ShowMessage(code.reason());
        return {"", kExitRefused};
    }
    return {*code, 0};
}

}  // namespace kestrel
