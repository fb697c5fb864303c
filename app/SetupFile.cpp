// install.exe as one setup file: the medium's files carried after its own
// image. At start the payload is checked whole (SHA-256) before anything is
// written, then unpacked into a fresh folder of the temporary folder that
// becomes the source folder; the folder goes again at every end of the run.
#include <windows.h>

#include <string>

#include "app/App.h"
#include "base/FreshFolderWin32.h"
#include "base/Log.h"
#include "base/MessageBoxes.h"
#include "base/WideText.h"
#include "payload/Payload.h"

namespace {

std::string unpackedFolder;

std::string ownProgram() {
    wchar_t self[MAX_PATH * 4] = L"";
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    return length > 0 && length < MAX_PATH * 4 ? toUtf8(self) : std::string();
}

}  // namespace

SetupPayload unpackSetupPayload(std::string& folder, std::string& problem) {
    PayloadReader reader;
    const std::string program = ownProgram();
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
    wchar_t temp[MAX_PATH + 1] = L"";
    if (GetTempPathW(MAX_PATH + 1, temp))
        SetCurrentDirectoryW(temp);
    if (!removeFolderTree(unpackedFolder))
        logLine("could not remove " + unpackedFolder);
    unpackedFolder.clear();
}
