// install.exe as one setup file: the medium's files carried after its own
// image. At start the payload is checked whole (SHA-256) before anything is
// written, then unpacked into a fresh folder of the temporary folder that
// becomes the source folder; the folder goes again at every end of the run.
#include <windows.h>

#include <string>

#include "app/App.h"
#include "core/win32/FreshFolderWin32.h"
#include "core/Log.h"
#include "core/win32/TextWin32.h"
#include "core/WideText.h"
#include "payload/Payload.h"

SetupPayload unpackSetupPayload(UnpackedFolder& folder, std::string& problem) {
    PayloadReader reader;
    const std::string program = ownProgramPath();
    const PayloadFault fault = program.empty() ? PayloadFault::CannotRead : openPayload(program, reader);
    if (fault == PayloadFault::NoPayload)
        return SetupPayload::None;
    if (fault != PayloadFault::None) {
        problem = payloadFaultText(fault);
        return SetupPayload::Damaged;
    }
    folder.hold(makeFreshTempFolder("dictionary-setup"));
    if (folder.path().empty()) {
        problem = "no folder could be made in the temporary folder";
        return SetupPayload::Damaged;
    }
    const PayloadFault unpacked = extractPayload(reader, folder.path());
    if (unpacked != PayloadFault::None) {
        problem = std::string(payloadFaultText(unpacked)) + (reader.detail.empty() ? "" : " (" + reader.detail + ")");
        folder.remove();
        return SetupPayload::Damaged;
    }
    logLine("unpacked the setup file's " + std::to_string(reader.entries.size()) + " files and folders into " +
            folder.path());
    return SetupPayload::Unpacked;
}

UnpackedFolder::~UnpackedFolder() {
    remove();
}

void UnpackedFolder::remove() {
    if (path_.empty())
        return;
    const std::string temp = tempFolder();
    if (!temp.empty())
        SetCurrentDirectoryW(toWide(temp).c_str());
    if (!removeFolderTree(path_))
        logLine("could not remove " + path_);
    path_.clear();
}
