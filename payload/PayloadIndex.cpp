// The rules of the payload's index, shared by its writer and its reader:
// which paths may be extracted, and in what order entries may come.
#include <cstring>

#include "core/PathText.h"
#include "payload/PayloadFormat.h"

namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool validName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ')
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\\:<>\"|?*", c))
            return false;
    return !isDeviceName(name);
}

}  // namespace

const char* payloadFaultText(PayloadFault fault) {
    switch (fault) {
    case PayloadFault::None: return "no fault";
    case PayloadFault::NoPayload: return "the program carries no payload";
    case PayloadFault::NotProgram: return "the file is not a Windows program";
    case PayloadFault::Damaged: return "the setup file is damaged";
    case PayloadFault::CannotRead: return "the setup file cannot be read";
    case PayloadFault::CannotWrite: return "a file cannot be written";
    case PayloadFault::TooLarge: return "the setup file would be too large";
    case PayloadFault::BadEntry: return "a name cannot be carried";
    }
    return "unknown fault";
}

bool validEntryPath(const std::string& path) {
    if (path.empty() || path.size() > kMaxEntryPath)
        return false;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type slash = path.find('/', start);
        if (!validName(path.substr(start, slash == std::string::npos ? std::string::npos : slash - start)))
            return false;
        if (slash == std::string::npos)
            return true;
        start = slash + 1;
    }
}

std::string foldedEntryPath(const std::string& path) {
    std::string folded = path;
    for (char& c : folded)
        c = lowerAscii(c);
    return folded;
}

std::string joinEntryPath(const std::string& folder, const std::string& relative) {
#ifdef _WIN32
    const char separator = '\\';
#else
    const char separator = '/';
#endif
    std::string path = folder;
    if (!path.empty() && path.back() != separator && path.back() != '/')
        path += separator;
    for (char c : relative)
        path += c == '/' ? separator : c;
    return path;
}

std::string sha256Hex(const Sha256Digest& digest) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char byte : digest) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 0xF];
    }
    return hex;
}

std::string encodeTrailerFields(const TrailerFields& fields) {
    std::string out;
    putLE(out, fields.payloadSize, 8);
    putLE(out, fields.indexOffset, 8);
    putLE(out, fields.indexSize, 8);
    putLE(out, fields.entryCount, 4);
    putLE(out, fields.version, 4);
    return out;
}

std::string encodeIndexEntry(const PayloadEntry& entry) {
    std::string out;
    putLE(out, entry.isFolder ? 1 : 0, 1);
    putLE(out, entry.attributes, 4);
    putLE(out, static_cast<std::uint64_t>(entry.modified), 8);
    putLE(out, entry.size, 8);
    putLE(out, entry.dataOffset, 8);
    putLE(out, entry.dataSize, 8);
    putLE(out, entry.path.size(), 2);
    return out + entry.path;
}

std::string admitEntry(const PayloadEntry& entry, std::set<std::string>& folders, std::set<std::string>& names) {
    if (!validEntryPath(entry.path))
        return "a path that could leave the folder or that Windows refuses";
    const std::string folded = foldedEntryPath(entry.path);
    const std::string::size_type slash = folded.rfind('/');
    if (slash != std::string::npos && !folders.count(folded.substr(0, slash)))
        return "an entry before its folder";
    if (!names.insert(folded).second)
        return "a name that is there twice";
    if (entry.isFolder) {
        if (entry.size != 0 || entry.dataSize != 0)
            return "a folder with data";
        folders.insert(folded);
    }
    return "";
}
