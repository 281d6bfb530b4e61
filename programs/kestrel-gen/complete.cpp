// kestrel-gen __complete SHELL LINE: the shell completion's answer, read
// from the command table. LINE is the command line up to the cursor; its
// last word (empty after a blank) is the one completed. The first line of
// the answer says what else the shell adds: "words" (nothing), "files" or
// "dirs"; each further line is one candidate.
//
// Candidates come from the table: command names, a command's options, the
// values an option's placeholder names, and the positional placeholders of
// the usage lines that fit the words typed so far:
//   MODEL    the models of the folders (--dir, when typed, names the folder)
//   COMMAND  the commands of the model typed before it; without a MODEL
//            before it, kestrel-gen's own commands (help COMMAND)
//   VALUE    the value labels of the command typed before it
//   BUTTON   the remote buttons of the model typed before it
//   FILE, DIR  files or folders (the shell lists them)
//   FORM, KIND  the built-in form words, the value kind letters
//   a|b|c    each literal alternative
// For bash the candidates are quoted as the shell reads them (a model name
// holds blanks) and cut after a ":" or "=" of the word typed, where bash
// starts the word it replaces; for zsh, and where files are listed, they
// are left as they are for the shell to quote.

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "commands.h"
#include "generator/protocol.h"
#include "session/request.h"
#include "util/program_folder.h"
#include "util/text.h"

namespace kestrel {
namespace {

struct Word {
    std::string text;  // without quotes and escapes
    std::string raw;   // as typed
    bool openQuote = false;
    size_t breakAt = 0;  // after the last unquoted ":" or "=" of raw, in text
};

// The line cut into words as a POSIX shell cuts it; the last word is the
// one under the cursor (empty after a blank).
std::vector<Word> ShellWords(std::string_view line) {
    std::vector<Word> words(1);
    char quote = 0;
    bool inWord = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        Word& word = words.back();
        if (quote == 0 && (c == ' ' || c == '\t' || c == '\n')) {
            if (inWord) words.emplace_back();
            inWord = false;
            continue;
        }
        inWord = true;
        word.raw += c;
        if (quote == '\'') {
            if (c == '\'')
                quote = 0;
            else
                word.text += c;
        } else if (c == '\\' && quote != '\'' && i + 1 < line.size()) {
            word.raw += line[++i];
            word.text += line[i];
        } else if (c == '"') {
            quote = quote == '"' ? 0 : '"';
        } else if (c == '\'' && quote == 0) {
            quote = '\'';
        } else {
            word.text += c;
            if (quote == 0 && (c == ':' || c == '=')) word.breakAt = word.text.size();
        }
    }
    words.back().openQuote = quote != 0;
    return words;
}

// A candidate as bash reads it: every character that is special to the
// shell escaped with a backslash.
std::string BashQuoted(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) ||
                           std::string_view("_./+-:=@%^,").find(c) != std::string_view::npos ||
                           static_cast<unsigned char>(c) >= 0x80;
        if (!plain) out += '\\';
        out += c;
    }
    return out;
}

const OptionRow* OptionOf(const CommandRow& command, std::string_view word) {
    for (const OptionRow& option : command.options) {
        if (option.name == word || (!option.shortName.empty() && option.shortName == word)) {
            return &option;
        }
    }
    return nullptr;
}

// A usage line's positional placeholders and the flags that pick its form.
struct Form {
    std::vector<std::string> positional;
    std::vector<std::string> flags;
};

Form FormOf(const CommandRow& command, std::string_view usage) {
    Form form;
    std::vector<std::string> tokens;
    for (std::string rest(usage); !rest.empty();) {
        const std::string token = NextToken(rest, "");
        if (!token.empty()) tokens.push_back(token);
    }
    bool skipValue = false;
    for (size_t i = 1; i < tokens.size(); ++i) {  // after the command's name
        std::string token = tokens[i];
        const bool bracketed = token.find('[') != std::string::npos;
        std::erase_if(token, [](char c) { return c == '[' || c == ']'; });
        if (token.size() > 3 && token.ends_with("...")) token.resize(token.size() - 3);
        if (skipValue) {
            skipValue = false;
            continue;
        }
        if (const OptionRow* option = token.size() > 1 ? OptionOf(command, token) : nullptr) {
            skipValue = !option->value.empty();
            if (!bracketed && option->value.empty())
                form.flags.push_back(std::string(option->name));
            continue;
        }
        form.positional.push_back(token);
    }
    return form;
}

class Completer {
  public:
    explicit Completer(const CliOptions& typed) : typed_(typed) {}

    // The candidates of placeholder (alternatives split at "|") at position
    // index of form, given the positional words typed before it.
    void Placeholder(std::string_view placeholder, const Form* form = nullptr) {
        std::string rest(placeholder);
        while (!rest.empty()) {
            const size_t bar = rest.find('|');
            const std::string part = rest.substr(0, bar);
            rest = bar == std::string::npos ? "" : rest.substr(bar + 1);
            One(part, form);
        }
    }

    std::vector<std::string> candidates;
    std::string mode = "words";

  private:
    // The word typed for the placeholder name in form; none when the form
    // has no such placeholder before the one completed.
    std::optional<std::string> TypedFor(const Form* form, std::string_view name) const {
        if (form == nullptr) return std::nullopt;
        for (size_t i = 0; i < form->positional.size() && i < typed_.positional.size(); ++i) {
            if (form->positional[i] == name) return typed_.positional[i];
        }
        return std::nullopt;
    }

    bool LoadModel(const std::string& model) {
        catalogue_.ModelName.clear();
        const std::string folder =
            typed_.userDir.empty()
                ? typed_.dir
                : ModelFolder(ListModels(typed_.dir, typed_.userDir), model, typed_.dir);
        return SelectModel(catalogue_, folder, model).ok();
    }

    void One(const std::string& part, const Form* form) {
        const bool placeholder =
            part.size() > 1 && std::all_of(part.begin(), part.end(),
                                           [](char c) { return IsUpperLetter(c) || c == '_'; });
        if (!placeholder) {
            if (part != "-") candidates.push_back(part);
            return;
        }
        if (part == "FILE") mode = "files";
        if (part == "DIR") mode = "dirs";
        if (part == "FORM") {
            for (const BuiltInFormRow& form : kBuiltInForms)
                candidates.push_back(form.word);
        }
        if (part == "KIND") candidates.insert(candidates.end(), {"A", "D", "H", "V"});
        if (part == "MODEL") {
            for (const ModelSource& model : ListModels(typed_.dir, typed_.userDir))
                candidates.push_back(model.name);
        }
        const std::optional<std::string> model = TypedFor(form, "MODEL");
        if (part == "COMMAND" && !model) {
            for (const CommandRow& command : Commands())
                candidates.push_back(std::string(command.name));
        }
        if (!model || !LoadModel(*model)) return;
        if (part == "COMMAND") {
            for (const CommandEntry& entry : catalogue_.Commands())
                candidates.push_back(entry.Name);
        }
        if (part == "BUTTON") {
            for (const RemoteEntry& entry : catalogue_.RemoteCodes())
                candidates.push_back(entry.Name);
        }
        const std::optional<std::string> command = TypedFor(form, "COMMAND");
        if (part == "VALUE" && command) {
            for (const EnumValue& value : catalogue_.CommandNamed(*command).Values)
                candidates.push_back(value.Label);
        }
    }

    const CliOptions& typed_;
    Catalogue catalogue_;
};

// The candidates that begin with prefix: those that do as typed, else
// those that do ignoring case.
std::vector<std::string> Matching(const std::vector<std::string>& candidates,
                                  const std::string& prefix) {
    std::vector<std::string> exact, folded;
    for (const std::string& candidate : candidates) {
        if (candidate.rfind(prefix, 0) == 0) exact.push_back(candidate);
        if (StartsWithNoCase(candidate, prefix)) folded.push_back(candidate);
    }
    return exact.empty() ? folded : exact;
}

struct Completion {
    std::vector<std::string> candidates;
    std::string mode = "words";
};

// The completion of the current word after command and the words before it.
Completion CompleteCommand(const CommandRow& command, const std::vector<Word>& words,
                           const Word& current) {
    CliOptions typed;
    typed.command = &command;
    const OptionRow* pending = nullptr;  // an option whose value is the current word
    bool optionsEnded = false;
    for (size_t i = 2; i + 1 < words.size(); ++i) {
        const std::string& word = words[i].text;
        const OptionRow* option =
            optionsEnded ? nullptr : OptionOf(command, word.substr(0, word.find('=')));
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
        } else if (option && !option->value.empty() && word.find('=') == std::string::npos) {
            if (i + 2 == words.size()) {
                pending = option;
            } else {
                typed.given.emplace_back(std::string(option->name), words[++i].text);
            }
        } else if (option) {
            const size_t equals = word.find('=');
            typed.given.emplace_back(std::string(option->name),
                                     equals == std::string::npos ? "" : word.substr(equals + 1));
        } else {
            typed.positional.push_back(word);
        }
    }
    typed.dir = typed.Value("--dir");
    if (typed.dir.empty()) {
        typed.dir = ProgramFolder();
        typed.userDir = UserDevicesFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    }
    Completer completer(typed);
    const std::string& text = current.text;
    if (pending) {
        completer.Placeholder(pending->value);
    } else if (text.rfind("--", 0) == 0 && text.find('=') != std::string::npos) {
        if (const OptionRow* option = OptionOf(command, text.substr(0, text.find('=')))) {
            completer.Placeholder(option->value);
        }
    } else if (!optionsEnded && !text.empty() && text[0] == '-' && text != "-") {
        for (const OptionRow& option : command.options) {
            if (!typed.Has(option.name) || option.name == "--define")
                completer.candidates.push_back(std::string(option.name));
        }
    } else {
        // The forms that fit: every flag that picks them typed, their
        // literal words as typed; those picked by most flags first.
        std::vector<Form> forms;
        size_t mostFlags = 0;
        for (const std::string_view usage : command.usage) {
            Form form = FormOf(command, usage);
            bool fits = form.positional.size() > typed.positional.size();
            for (const std::string& flag : form.flags)
                fits = fits && typed.Has(flag);
            for (size_t i = 0; fits && i < typed.positional.size(); ++i) {
                const std::string& token = form.positional[i];
                const bool literal = !token.empty() && !IsUpperLetter(token[0]);
                if (literal)
                    fits = ("|" + token + "|").find("|" + typed.positional[i] + "|") !=
                           std::string::npos;
            }
            if (!fits) continue;
            if (form.flags.size() > mostFlags) forms.clear();
            if (form.flags.size() >= mostFlags) {
                mostFlags = form.flags.size();
                forms.push_back(std::move(form));
            }
        }
        for (const Form& form : forms)
            completer.Placeholder(form.positional[typed.positional.size()], &form);
    }
    return {completer.candidates, completer.mode};
}

}  // namespace

int RunComplete(const Args& args) {
    if (args.size() != 2) return kExitUsage;
    const bool bash = args[0] == "bash";
    const std::vector<Word> words = ShellWords(args[1]);
    const Word& current = words.back();
    Completion completion;
    std::vector<std::string>& candidates = completion.candidates;
    if (words.size() <= 2) {  // the command's name
        for (const CommandRow& command : Commands())
            candidates.push_back(std::string(command.name));
        if (!current.text.empty() && current.text[0] == '-') candidates = {"--help", "--version"};
    } else if (const CommandRow* command = CommandNamed(words[1].text)) {
        completion = CompleteCommand(*command, words, current);
    }
    const std::string& mode = completion.mode;
    std::cout << mode << "\n";
    for (std::string candidate : Matching(candidates, current.text)) {
        if (candidate.empty()) continue;
        if (bash && mode == "words" && !current.openQuote) {
            candidate = BashQuoted(candidate.substr(std::min(current.breakAt, candidate.size())));
        }
        std::cout << candidate << "\n";
    }
    return 0;
}

}  // namespace kestrel
