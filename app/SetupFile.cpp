// install.exe as one setup file: the medium's files carried after its own
// image. At start the payload is checked whole (SHA-256) before anything is
// written, then unpacked into a fresh folder of the temporary folder that
// becomes the source folder; the folder goes again at every end of the run.
#include <windows.h>

#include <string>

#include "app/App.h"
#include "core/win32/FreshFolderWin32.h"
#include "core/Log.h"
#include "run/MessageBoxes.h"
#include "core/win32/TextWin32.h"
#include "core/WideText.h"
#include "payload/Payload.h"

namespace {

std::string unpackedFolder;

}  // namespace

SetupPayload unpackSetupPayload(std::string& folder, std::string& problem) {
    PayloadReader reader;
    const std::string program = ownProgramPath();
    const PayloadFault fault = program.empty() ? PayloadFault::CannotRead : openPayload(program, reader);
    if (fault == PayloadFault::NoPayload)
        return SetupPayload::None;
    if (fault != PayloadFault::None) {
        problem = payloadFaultText(fault);
        return SetupPayload::Damaged;
    }
    folder = makeFreshTempFolder("dictionary-setup");
    if (folder.empty()) {
        problem = "no folder could be made in the temporary folder";
        return SetupPayload::Damaged;
    }
    unpackedFolder = folder;
    setExitCleanup(removeUnpackedPayload);
    const PayloadFault unpacked = extractPayload(reader, folder);
    if (unpacked != PayloadFault::None) {
        problem = std::string(payloadFaultText(unpacked)) + (reader.detail.empty() ? "" : " (" + reader.detail + ")");
        removeUnpackedPayload();
        return SetupPayload::Damaged;
    }
    logLine("unpacked the setup file's " + std::to_string(reader.entries.size()) + " files and folders into " +
            folder);
    return SetupPayload::Unpacked;
}

// The current directory may lie in the folder: it moves out first.
void removeUnpackedPayload() {
    if (unpackedFolder.empty())
        return;
    const std::string temp = tempFolder();
    if (!temp.empty())
        SetCurrentDirectoryW(toWide(temp).c_str());
    if (!removeFolderTree(unpackedFolder))
        logLine("could not remove " + unpackedFolder);
    unpackedFolder.clear();
}
