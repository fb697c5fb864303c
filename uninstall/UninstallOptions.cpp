#include "uninstall/UninstallOptions.h"

#include "core/Collation.h"
#include "core/CommandLine.h"

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
            failOption(options.error, argument, "not an option (options start with / or -)");
            continue;
        }
        const char* name = option.name.c_str();
        if (foldEquals(name, "S") || foldEquals(name, "SILENT"))
            takeFlag(options.silent, option, argument, options.error);
        else if (foldEquals(name, "CLOSEAPPLICATIONS"))
            takeFlag(options.closeApplications, option, argument, options.error);
        else if (foldEquals(name, "LOG"))
            takeValue(options.log, options.logPath, false, option, argument, options.error);
        else
            failOption(options.error, argument, "unknown option");
    }
    return options;
}

