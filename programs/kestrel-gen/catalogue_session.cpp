#include "catalogue_session.h"

#include <algorithm>
#include <cstdlib>

#include "util/text.h"

namespace kestrel {

void ShowNotes(const Generator& generator, Display& display) {
    for (const Notice& note : NoticesOf(generator))
        kestrel::Show(note, display);
}

CliSession::CliSession() {
    generator.SetupProtocol();
    ShowNotes(generator, display);
}

bool CliSession::SelectModel(const std::string& model) {
    if (model.empty()) {
        display.ShowMessage("kestrel-gen: the model name is empty");
        return false;
    }
    fields.selectedCommand.clear();  // the lists are emptied
    const Status selected = kestrel::SelectModel(catalogue, ModelFolderOf(model), model);
    if (!selected) display.ShowMessage(selected.reason());
    return selected.ok();
}

void CliSession::Show(const Outcome& outcome) {
    outcome.Play(fields, [this](const Notice& notice) { kestrel::Show(notice, display); });
}

std::string CliSession::ModelFolderOf(const std::string& model) const {
    if (userFolder.empty()) return folder;
    return ModelFolder(ListModels(folder, userFolder), model, folder);
}

std::optional<std::string> DiscreteCode(CliSession& session, const std::string& command,
                                        const std::string& value) {
    const int16_t index = session.catalogue.getETindex(command);
    if (index == 0) {
        session.display.ShowMessage("The model " + session.catalogue.ModelName +
                                    " has no command named '" + command + "'");
        return std::nullopt;
    }
    // The list shows the catalogue's spelling of the name.
    session.fields.selectedCommand = session.catalogue.Command(index).Name;
    const CommandClick click = ClickCommand(session.catalogue, session.fields);
    session.Show(click.outcome);
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
                session.display.ShowMessage("The command " + command + " has no value labelled '" +
                                            value + "'; its values are: " + known);
                return std::nullopt;
            }
            session.Show(ClickValue(session.catalogue, session.fields,
                                    static_cast<int>(label - click.labels.begin()),
                                    session.generator));
            break;
        }
        case CommandClick::Show::Range: {
            const Outcome generated =
                GenerateRangeValue(session.catalogue, session.fields, value, session.generator);
            session.Show(generated);
            if (generated.ValueRefused()) return std::nullopt;
            break;
        }
        case CommandClick::Show::Query:
            return std::nullopt;  // already reported
    }
    if (session.fields.txtOutput.empty()) return std::nullopt;
    return session.fields.txtOutput;
}

std::optional<std::string> RemoteCode(CliSession& session, const std::string& button) {
    session.fields.PickMode(Mode::Remote);
    const int16_t index = session.catalogue.RemoteIndex(button);
    if (index == 0) {
        session.display.ShowMessage("The model " + session.catalogue.ModelName +
                                    " has no remote button named '" + button + "'");
        return std::nullopt;
    }
    session.Show(ClickRemote(session.catalogue, session.fields, index - 1, session.generator));
    if (session.fields.txtOutput.empty()) return std::nullopt;
    return session.fields.txtOutput;
}

std::optional<ValueKindOption> KindOption(const std::string& letter) {
    const std::string upper = UpperCase(letter);
    if (upper == "A") return ValueKindOption::Ascii;
    if (upper == "D") return ValueKindOption::Dec;
    if (upper == "H") return ValueKindOption::Hex;
    if (upper == "V" || upper.empty()) return ValueKindOption::Value;
    return std::nullopt;
}

std::optional<std::string> ManualCode(CliSession& session, const std::string& code,
                                      const std::string& value, ValueKindOption kind) {
    FieldRecord& fields = session.fields;
    fields.PickMode(Mode::Manual);
    fields.SetText(Box::FCdec, code);
    session.Show(UpdateHexFromDecimal(fields));
    fields.SetText(Box::Value, value);
    fields.SelectKind(kind);
    const Outcome requested = RequestCode(fields, session.generator);
    session.Show(requested);
    fields.SetText(Box::Output, requested.code);
    if (fields.txtOutput.empty()) return std::nullopt;
    return fields.txtOutput;
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
    std::optional<std::string> code;
    switch (source) {
        case CodeSource::Discrete:
            if (!session.SelectModel(args[0])) return {"", kExitRefused};
            code = DiscreteCode(session, args[1], args[2]);
            break;
        case CodeSource::Remote:
            if (!session.SelectModel(args[0])) return {"", kExitRefused};
            code = RemoteCode(session, args[1]);
            break;
        case CodeSource::Manual: {
            const std::optional<ValueKindOption> kind = KindOf(options);
            if (!kind) return {"", kExitUsage};
            code = ManualCode(session, args[0], args[1], *kind);
            break;
        }
    }
    if (!code) return {"", kExitRefused};
    return {*code, 0};
}

}  // namespace kestrel
