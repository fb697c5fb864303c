#include "base/CommandLine.h"

#include "base/Collation.h"

std::vector<std::string> splitCommandLine(const std::string& text) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false, quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            std::size_t backslashes = 0;
            while (i < text.size() && text[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < text.size() && text[i] == '"') {
                current.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    current += '"';
                } else {
                    quoted = !quoted;
                }
            } else {
                current.append(backslashes, '\\');
                --i;
            }
            inArgument = true;
        } else if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inArgument)
                arguments.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments.push_back(current);
    return arguments;
}

namespace {

// One option: its name without the leading "/" or "-", and its value after
// "=" when it has one.
struct Option {
    std::string name;
    bool hasValue = false;
    std::string value;
};

bool readOption(const std::string& argument, Option& option) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-'))
        return false;
    const std::size_t equals = argument.find('=');
    option.name = argument.substr(1, equals == std::string::npos ? std::string::npos : equals - 1);
    option.hasValue = equals != std::string::npos;
    option.value = option.hasValue ? argument.substr(equals + 1) : "";
    return true;
}

void fail(std::string& error, const std::string& argument, const std::string& why) {
    if (error.empty())
        error = "\"" + argument + "\": " + why;
}

// A flag given twice, or with a value, is an error.
void takeFlag(bool& flag, const Option& option, const std::string& argument, std::string& error) {
    if (option.hasValue)
        fail(error, argument, "this option takes no value");
    else if (flag)
        fail(error, argument, "the option is given twice");
    flag = true;
}

void takeValue(bool& given, std::string& value, bool valueRequired, const Option& option, const std::string& argument,
               std::string& error) {
    if (given)
        fail(error, argument, "the option is given twice");
    else if (option.hasValue && option.value.empty())
        fail(error, argument, "the value is empty");
    else if (valueRequired && !option.hasValue)
        fail(error, argument, "the option needs a value after \"=\"");
    given = true;
    value = option.value;
}

}  // namespace

InstallOptions parseInstallOptions(const std::vector<std::string>& arguments) {
    InstallOptions options;
    bool suppress = false, noRestart = false;
    for (const std::string& argument : arguments) {
        Option option;
        if (!readOption(argument, option)) {
            fail(options.error, argument, "not an option (options start with / or -)");
            continue;
        }
        const char* name = option.name.c_str();
        if (foldEquals(name, "SILENT"))
            takeFlag(options.silent, option, argument, options.error);
        else if (foldEquals(name, "VERYSILENT"))
            takeFlag(options.verySilent, option, argument, options.error);
        else if (foldEquals(name, "SUPPRESSMSGBOXES"))
            takeFlag(suppress, option, argument, options.error);
        else if (foldEquals(name, "NORESTART"))
            takeFlag(noRestart, option, argument, options.error);
        else if (foldEquals(name, "?") || foldEquals(name, "HELP"))
            takeFlag(options.help, option, argument, options.error);
        else if (foldEquals(name, "DIR"))
            takeValue(options.hasDir, options.dir, true, option, argument, options.error);
        else if (foldEquals(name, "LOG"))
            takeValue(options.log, options.logPath, false, option, argument, options.error);
        else
            fail(options.error, argument, "unknown option");
    }
    return options;
}

UninstallOptions parseUninstallOptions(const std::vector<std::string>& arguments) {
    UninstallOptions options;
    std::size_t first = 0;
    if (arguments.size() >= 3 && arguments[0] == "/continue") {
        options.isContinuation = true;
        options.handles = arguments[1];
        options.folder = arguments[2];
        first = 3;
    }
    for (std::size_t i = first; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        Option option;
        if (!readOption(argument, option)) {
            fail(options.error, argument, "not an option (options start with / or -)");
            continue;
        }
        const char* name = option.name.c_str();
        if (foldEquals(name, "S") || foldEquals(name, "SILENT"))
            takeFlag(options.silent, option, argument, options.error);
        else if (foldEquals(name, "LOG"))
            takeValue(options.log, options.logPath, false, option, argument, options.error);
        else
            fail(options.error, argument, "unknown option");
    }
    return options;
}

std::string installOptionsHelp() {
    return "Options of the installer:\n\n"
           "/DIR=\"folder\"\tinstall into this folder\n"
           "/SILENT\t\tno questions: the progress is shown, no box\n"
           "/VERYSILENT\tno window at all\n"
           "/SUPPRESSMSGBOXES\taccepted (the silent modes show no box)\n"
           "/NORESTART\taccepted (the installer never restarts)\n"
           "/LOG[=\"file\"]\twrite a log (by default %TEMP%\\dictionary-install.log)\n"
           "/? or /HELP\tthis text\n\n"
           "Exit codes: 0 installed, 1 ended by an error, 2 installed with steps that did not complete, "
           "87 a wrong option, 1618 another installation is running.";
}
