// dicttool bundle and contents: a distribution folder carried after the
// installer's image as the payload the installer unpacks at its start.
#include "dicttool/Bundle.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/PathText.h"
#include "dicttool/Check.h"
#include "dicttool/Encoding.h"
#include "dicttool/Platform.h"
#include "dicttool/Report.h"
#include "dicttool/ToolFiles.h"
#include "payload/Payload.h"

namespace {

constexpr int kWritten = 0, kRefused = 1;
constexpr int kMaxDepth = 64;
constexpr int kNoCertificate = 3;  // scripts/sign: nothing to sign with

// One file or folder of the medium, with where to read it.
struct MediumItem {
    PayloadEntry entry;
    std::string native;
};

std::string describe(PayloadFault fault, const std::string& detail) {
    return std::string(payloadFaultText(fault)) + (detail.empty() ? "" : " (" + detail + ")");
}

// Every file and folder under native, each folder before what it holds,
// names in byte order; the index names them as the installer reads them.
void collect(const std::string& native, const std::string& relative, int depth, std::vector<MediumItem>& items,
             std::vector<Problem>& links) {
    if (depth > kMaxDepth)
        throw ToolError("folders nested more than 64 deep at " + native + " (a link that loops?)");
    std::vector<FolderEntry> entries;
    if (!listFolder(native, entries))
        throw ToolError("cannot list " + native + ": " + systemError());
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    for (const FolderEntry& found : entries) {
        MediumItem item;
        item.native = joinNativePath(native, found.name);
        item.entry.path = (relative.empty() ? "" : relative + "/") + textName(found.name);
        // A link would carry whatever it points to, on this machine, into
        // the setup file: the medium is bundled only without any.
        if (found.isLink) {
            links.push_back({item.entry.path, 0, "link-in-medium",
                             "a symbolic link or junction: links are never followed, no setup file written"});
            continue;
        }
        item.entry.isFolder = found.isFolder;
        if (!fileDetails(item.native, item.entry.attributes, item.entry.modified))
            throw ToolError("cannot read " + item.native + ": " + systemError());
        items.push_back(item);
        if (found.isFolder)
            collect(item.native, item.entry.path, depth + 1, items, links);
    }
}

// The installer as it begins a setup file: its image alone. A signature
// of its own is left out (it would cover the installer, not the setup
// file: --sign signs the whole); one that carries a payload or other bytes
// after its image is refused.
std::string installerImage(const std::string& program, const std::string& label) {
    PayloadLocation at;
    switch (findPayload(memoryReader(program), program.size(), at)) {
    case PayloadFault::NoPayload: break;
    case PayloadFault::NotProgram: throw ToolError(label + " is not a Windows program");
    case PayloadFault::TooLarge: throw ToolError(label + " is too large");
    default: throw ToolError(label + " carries a payload or other bytes after its image: give the plain install.exe");
    }
    std::string image = program.substr(0, static_cast<std::size_t>(at.image.imageEnd));
    if (at.image.certificatesSize != 0) {
        image.replace(static_cast<std::size_t>(at.image.securityEntry), 8, 8, '\0');
        std::printf("The installer's own signature is left out: --sign signs the setup file whole.\n");
    }
    return image;
}

// The signing step (scripts/sign, or the program DICTTOOL_SIGN names) on the
// complete file, before it is put in place.
void signFile(const std::string& path) {
    const char* chosen = std::getenv("DICTTOOL_SIGN");
    const std::string program = chosen && *chosen ? chosen : DICTTOOL_SIGN_SCRIPT;
    if (!(chosen && *chosen) && pathKind(program) != PathKind::File)
        throw ToolError("no signing step: set DICTTOOL_SIGN to a program that signs the file it is given "
                        "(scripts/sign of the sources): no setup file written");
    const int status = runProgram({program, path});
    if (status == kNoCertificate)
        throw ToolError("no certificate to sign with (see scripts/sign): no setup file written");
    if (status != 0)
        throw ToolError("signing failed (" + program + ", exit status " + std::to_string(status) +
                        "): no setup file written");
    PayloadReader check;
    if (openPayload(payloadPath(path), check) != PayloadFault::None || !check.location.beforeSignature)
        throw ToolError("after signing, the payload is not found before the signature: no setup file written");
}

void addItems(PayloadWriter& writer, const std::vector<MediumItem>& items) {
    for (const MediumItem& item : items) {
        PayloadFault fault;
        if (item.entry.isFolder) {
            fault = addPayloadFolder(writer, item.entry);
        } else {
            FilePtr data = openFile(item.native.c_str(), "rb");
            if (!data)
                throw ToolError("cannot read " + item.native + ": " + systemError());
            fault = addPayloadFile(writer, item.entry, data.get());
        }
        if (fault != PayloadFault::None)
            throw ToolError("cannot bundle " + item.native + ": " + describe(fault, writer.detail));
    }
}

}  // namespace

std::string payloadPath(const std::string& native) {
    return textName(native);
}

int bundleMedium(const BundleOptions& options) {
    if (pathKind(options.folder) != PathKind::Folder)
        throw ToolError("no folder " + options.folder);
    // Compared as the system resolves both, so that "medium/../setup.exe" is
    // taken for the file beside the medium, and a way in through ".." or a
    // link for one inside it.
    const std::string inside = foldedName(joinNativePath(resolvedPath(options.folder), ""));
    if (foldedName(resolvedPath(options.output)).compare(0, inside.size(), inside) == 0)
        throw ToolError("the setup file may not be written into the folder it carries");
    std::vector<MediumItem> items;
    std::vector<Problem> links;
    collect(options.folder, "", 0, items, links);
    if (!links.empty()) {
        printProblems(links, stdout);
        std::fflush(stdout);
        std::fprintf(stderr, "dicttool: %s holds links: no setup file written\n", options.folder.c_str());
        return kRefused;
    }
    const ScriptReport report = checkScript({options.folder, ""});
    if (!report.problems.empty()) {
        printProblems(report.problems, stdout);
        if (!options.force) {
            std::fflush(stdout);
            std::fprintf(stderr, "dicttool: %s has problems: no setup file written (--force writes it anyway)\n",
                         options.folder.c_str());
            return kRefused;
        }
        std::printf("Bundled anyway (--force).\n");
    }
    const std::string program = options.installer.empty() ? carriedInstaller() : readWholeFile(options.installer);
    if (program.empty())
        throw ToolError(options.installer.empty()
                            ? "this dicttool carries no install.exe (it was built before the win32 preset): "
                              "give --installer PATH"
                            : options.installer + " is empty");
    const std::string image = installerImage(program, options.installer.empty() ? "the carried install.exe"
                                                                                : options.installer);

    OutputFile out(options.output);
    PayloadWriter writer;
    if (!writeItems(image.data(), 1, image.size(), out.get()) ||
        startPayload(writer, out.get(), image.size()) != PayloadFault::None)
        throw ToolError("cannot write " + options.output + ": " + systemError());
    addItems(writer, items);
    const PayloadFault fault = finishPayload(writer);
    if (fault != PayloadFault::None)
        throw ToolError("cannot write " + options.output + ": " + describe(fault, writer.detail));
    if (options.sign)
        signFile(out.close());
    out.commit();

    const std::size_t folders = std::count_if(items.begin(), items.end(),
                                              [](const MediumItem& item) { return item.entry.isFolder; });
    std::printf("%s: the installer (%zu bytes), then %zu files and %zu folders in %llu bytes%s\nSHA-256 %s\n",
                options.output.c_str(), image.size(), items.size() - folders, folders,
                static_cast<unsigned long long>(writer.written), options.sign ? ", signed" : "",
                fileSha256(options.output).c_str());
    return kWritten;
}

int showContents(const std::string& setup, const std::string& extractTo) {
    PayloadReader reader;
    PayloadFault fault = openPayload(payloadPath(setup), reader);
    if (fault == PayloadFault::NoPayload) {
        std::printf("%s carries no payload\n", setup.c_str());
        return kRefused;
    }
    if (fault != PayloadFault::None)
        throw ToolError(setup + ": " + describe(fault, reader.detail));
    const PayloadLocation& at = reader.location;
    std::printf("%s: a payload of %llu bytes at byte %llu, %s; its SHA-256 holds\n", setup.c_str(),
                static_cast<unsigned long long>(at.size), static_cast<unsigned long long>(at.start),
                at.beforeSignature ? "before the signature" : "unsigned");
    for (const PayloadEntry& entry : reader.entries) {
        const std::string size = entry.isFolder ? "folder" : std::to_string(entry.size);
        std::printf("  %12s  %s%s%s\n", size.c_str(), entry.path.c_str(),
                    entry.attributes & kAttributeHidden ? " (hidden)" : "",
                    entry.attributes & kAttributeSystem ? " (system)" : "");
    }
    if (extractTo.empty())
        return kWritten;
    if (!makeFolder(extractTo))
        throw ToolError("cannot make the new folder " + extractTo + ": " + systemError());
    fault = extractPayload(reader, payloadPath(extractTo));
    if (fault != PayloadFault::None)
        throw ToolError("cannot extract into " + extractTo + ": " + describe(fault, reader.detail));
    std::printf("Extracted into %s\n", extractTo.c_str());
    return kWritten;
}

std::string fileSha256(const std::string& path) {
    FilePtr file = openFile(path.c_str(), "rb");
    const long size = file ? fileSize(file.get()) : -1;
    Sha256Ptr hash = startSha256();
    if (size < 0 || !hash)
        throw ToolError("cannot read " + path + ": " + systemError());
    std::vector<char> buffer(1 << 16);
    for (long left = size; left > 0;) {
        const std::size_t count = static_cast<std::size_t>(std::min<long>(left, static_cast<long>(buffer.size())));
        if (!readItems(buffer.data(), 1, count, file.get()) || !addSha256(*hash, buffer.data(), count))
            throw ToolError("cannot read " + path + ": " + systemError());
        left -= static_cast<long>(count);
    }
    Sha256Digest digest{};
    if (!finishSha256(*hash, digest))
        throw ToolError("cannot hash " + path);
    return sha256Hex(digest);
}
