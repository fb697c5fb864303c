#include "run/InstallOptions.h"

#include "core/Collation.h"
#include "core/CommandLine.h"

InstallOptions parseInstallOptions(const std::vector<std::string>& arguments) {
    InstallOptions options;
    bool suppress = false, noRestart = false;
    for (const std::string& argument : arguments) {
        Option option;
        if (!readOption(argument, option)) {
            failOption(options.error, argument, "not an option (options start with / or -)");
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
        else if (foldEquals(name, "ALLOWDOWNGRADE"))
            takeFlag(options.allowDowngrade, option, argument, options.error);
        else if (foldEquals(name, "CLOSEAPPLICATIONS"))
            takeFlag(options.closeApplications, option, argument, options.error);
        else if (foldEquals(name, "?") || foldEquals(name, "HELP"))
            takeFlag(options.help, option, argument, options.error);
        else if (foldEquals(name, "DIR"))
            takeValue(options.hasDir, options.dir, true, option, argument, options.error);
        else if (foldEquals(name, "LOG"))
            takeValue(options.log, options.logPath, false, option, argument, options.error);
        else
            failOption(options.error, argument, "unknown option");
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
           "87 a wrong option, 1618 another installation is running, 1638 a newer version is installed "
           "(nothing changed), 3010 installed, a restart of Windows completes it.";
}
