// kestrel-gen pronto: generator requests from the command line or from
// standard input, all served by one generator so that request values carry
// over from one request to the next.

#include <iostream>
#include <string>

#include "commands.h"
#include "generator/generator.h"
#include "stderr_display.h"
#include "util/text.h"

namespace kestrel {
namespace {

// FORM may name a built-in form.
std::string FormText(const Generator& generator, const std::string& form) {
    const ProtocolRecord& protocol = generator.Protocol();
    if (EqualsNoCase(form, "discrete")) return protocol.FormDiscrete;
    if (EqualsNoCase(form, "valuetext")) return protocol.FormValueText;
    if (EqualsNoCase(form, "remote")) return protocol.FormRemote;
    return form;
}

// Splits a line at tabs.
std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == '\t')
            fields.emplace_back();
        else
            fields.back().push_back(c);
    }
    return fields;
}

int Usage() {
    std::cerr << "usage: kestrel-gen pronto [--define DIRECTIVE]... FORM CODE VALUE KIND\n"
                 "       kestrel-gen pronto [--define DIRECTIVE]... -\n";
    return kExitUsage;
}

}  // namespace

int RunPronto(const Args& args) {
    StderrDisplay display;
    Generator generator(display);
    generator.SetupProtocol();

    Args rest;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--define") {
            if (i + 1 >= args.size()) return Usage();
            std::string directive = args[++i];
            generator.AddDefine(directive, 1);
        } else {
            rest.push_back(args[i]);
        }
    }

    if (rest.size() == 1 && rest[0] == "-") {
        std::string line;
        bool allGood = true;
        long lineNumber = 0;
        while (std::getline(std::cin, line)) {
            ++lineNumber;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::vector<std::string> fields = SplitTabs(line);
            std::string code;
            if (fields.size() != 4) {
                display.ShowMessage("line " + std::to_string(lineNumber) +
                                    ": expected FORM, CODE, VALUE and KIND separated by tabs");
            } else {
                code = generator.GenerateCode(FormText(generator, fields[0]), fields[1], fields[2],
                                              fields[3]);
            }
            if (code.empty()) allGood = false;
            std::cout << code << '\n';
        }
        std::cout.flush();
        return allGood ? 0 : kExitRefused;
    }
    if (rest.size() != 4) return Usage();
    const std::string code =
        generator.GenerateCode(FormText(generator, rest[0]), rest[1], rest[2], rest[3]);
    if (code.empty()) return kExitRefused;
    std::cout << code << '\n';
    return 0;
}

}  // namespace kestrel
