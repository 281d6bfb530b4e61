#include "catalogue_session.h"

#include <algorithm>
#include <cstdlib>

#include "util/program_folder.h"
#include "util/text.h"

namespace kestrel {

bool ParseCliOptions(const Args& args, const std::vector<std::string>& allowed,
                     CliOptions& options) {
    StderrDisplay display;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            options.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            display.ShowMessage("kestrel-gen: unknown option '" + name + "'");
            return false;
        }
        if (name == "--no-wait") {
            options.noWait = true;
            continue;
        }
        if (name == "--raw") {
            options.raw = true;
            continue;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            display.ShowMessage("kestrel-gen: option '" + name + "' needs a value");
            return false;
        }
        if (name == "--dir") options.dir = value;
        if (name == "--kind") options.kind = value;
        if (name == "--model") options.model = value;
        if (name == "--format") options.format = value;
        if (name == "--entries") options.entries = value;
        if (name == "--step") options.step = value;
        if (name == "--names") options.names = value;
        if (name == "--file") options.file = value;
    }
    if (options.dir.empty()) {
        options.dir = ProgramFolder();
        options.userDir = UserDevicesFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    }
    return true;
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
    const CommandClick click = ClickCommand(session.catalogue, session.fields, session.display);
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
            ClickValue(session.catalogue, session.fields,
                       static_cast<int>(label - click.labels.begin()), session.generator,
                       session.display);
            break;
        }
        case CommandClick::Show::Range:
            if (!GenerateRangeValue(session.catalogue, session.fields, value, session.generator,
                                    session.display)) {
                return std::nullopt;
            }
            break;
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
    ClickRemote(session.catalogue, session.fields, index - 1, session.generator, session.display);
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
    UpdateHexFromDecimal(fields, session.display);
    fields.SetText(Box::Value, value);
    fields.SelectKind(kind);
    fields.SetText(Box::Output, RequestCode(fields, session.generator, session.display));
    if (fields.txtOutput.empty()) return std::nullopt;
    return fields.txtOutput;
}

std::vector<std::string> SourceOptions(CodeSource source) {
    if (source == CodeSource::Manual) return {"--dir", "--kind"};
    return {"--dir"};
}

MadeCode MakeCode(CodeSource source, const CliOptions& options) {
    const std::vector<std::string>& args = options.positional;
    if (args.size() != (source == CodeSource::Discrete ? 3u : 2u)) return {"", kExitUsage};
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
            const std::optional<ValueKindOption> kind = KindOption(options.kind);
            if (!kind) return {"", kExitUsage};
            code = ManualCode(session, args[0], args[1], *kind);
            break;
        }
    }
    if (!code) return {"", kExitRefused};
    return {*code, 0};
}

}  // namespace kestrel
