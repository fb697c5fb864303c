#include "core/CommandLine.h"

#include "core/Collation.h"

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


bool readOption(const std::string& argument, Option& option) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-'))
        return false;
    const std::size_t equals = argument.find('=');
    option.name = argument.substr(1, equals == std::string::npos ? std::string::npos : equals - 1);
    option.hasValue = equals != std::string::npos;
    option.value = option.hasValue ? argument.substr(equals + 1) : "";
    return true;
}

void failOption(std::string& error, const std::string& argument, const std::string& why) {
    if (error.empty())
        error = "\"" + argument + "\": " + why;
}

// A flag given twice, or with a value, is an error.
void takeFlag(bool& flag, const Option& option, const std::string& argument, std::string& error) {
    if (option.hasValue)
        failOption(error, argument, "this option takes no value");
    else if (flag)
        failOption(error, argument, "the option is given twice");
    flag = true;
}

void takeValue(bool& given, std::string& value, bool valueRequired, const Option& option, const std::string& argument,
               std::string& error) {
    if (given)
        failOption(error, argument, "the option is given twice");
    else if (option.hasValue && option.value.empty())
        failOption(error, argument, "the value is empty");
    else if (valueRequired && !option.hasValue)
        failOption(error, argument, "the option needs a value after \"=\"");
    given = true;
    value = option.value;
}


