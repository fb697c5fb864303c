// The command lines of the programs, as deployment systems and
// administrators type them: options start with "/" or "-", their names are
// compared without case, a value follows "=" ("/DIR=C:\\x" or
// /DIR="C:\\Program Files\\x"). Each program reads its own options with
// these pieces.
#pragma once

#include <string>
#include <vector>

// The arguments of a command line, split as Windows programs split them
// (spaces outside quotes separate; a quote toggles quoting; backslashes
// are literal unless they precede a quote: 2n+1 of them give n and a
// literal quote). The program's name is not part of the text given.
std::vector<std::string> splitCommandLine(const std::string& text);

// This process's command line after the program's name, as UTF-8
// (defined for Windows).
std::string commandLineArguments();

// One option: its name without the leading "/" or "-", and its value after
// "=" when it has one.
struct Option {
    std::string name;
    bool hasValue = false;
    std::string value;
};

// Reads an argument as an option; false when it does not start with "/" or "-".
bool readOption(const std::string& argument, Option& option);

// Keeps the first error of a command line: the argument at fault and why.
void failOption(std::string& error, const std::string& argument, const std::string& why);

// A flag given twice, or with a value, is an error.
void takeFlag(bool& flag, const Option& option, const std::string& argument, std::string& error);

// A value given twice or empty, or missing where valueRequired, is an error.
void takeValue(bool& given, std::string& value, bool valueRequired, const Option& option, const std::string& argument,
               std::string& error);
