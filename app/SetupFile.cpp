// install.exe as one setup file: the medium's files carried after its own
// image. At start the payload is checked whole (SHA-256) before anything is
// written, then unpacked into a fresh folder of the temporary folder that
// becomes the source folder; the folder goes again at every end of the run.
#include <windows.h>

#include <string>
#include <utility>

#include "app/App.h"
#include "core/win32/FreshFolderWin32.h"
#include "core/Log.h"
#include "core/win32/TextWin32.h"
#include "core/WideText.h"
#include "payload/Payload.h"

namespace {

// A fault of the unpacking that is no fault of the file: a folder or a file
// that cannot be made says so, not that the download is damaged.
SetupPayload unpackFault(PayloadFault fault, const PayloadReader& reader, std::string& problem) {
    problem = std::string(payloadFaultText(fault)) + (reader.detail.empty() ? "" : " (" + reader.detail + ")");
    return fault == PayloadFault::CannotWrite ? SetupPayload::CannotUnpack : SetupPayload::Damaged;
}

// The folder's name says nothing of why none could be made: the system's
// error of the last attempt does, read before any other call.
std::string noFolderProblem() {
    const DWORD error = GetLastError();
    const std::string temp = tempFolder();
    if (temp.empty())
        return "the system names no temporary folder to unpack it into";
    return "no folder could be made in " + temp + " to unpack it into: " + systemMessage(error);
}

}  // namespace

// The payload is read from the file that runs, through one handle, not by
// the path the program was started by: that name may have come to name
// another file since.
SetupPayload unpackSetupPayload(UnpackedFolder& folder, std::string& problem) {
    PayloadReader reader;
    std::string why;
    FilePtr image = openRunningImage(why);
    if (!image) {
        problem = why;
        return SetupPayload::CannotUnpack;
    }
    const PayloadFault fault = openPayloadFile(std::move(image), reader);
    if (fault == PayloadFault::NoPayload)
        return SetupPayload::None;
    if (fault != PayloadFault::None)
        return unpackFault(fault, reader, problem);
    folder.hold(makeFreshTempFolder("dictionary-setup"));
    if (folder.path().empty()) {
        problem = noFolderProblem();
        return SetupPayload::CannotUnpack;
    }
    const PayloadFault unpacked = extractPayload(reader, folder.path());
    if (unpacked != PayloadFault::None) {
        const SetupPayload result = unpackFault(unpacked, reader, problem);
        folder.remove();
        return result;
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
