// The winget manifest of a setup file: what the installer takes on its
// command line and what its exit codes mean, with the names and version
// the setup script gives (or the options), and the setup file's SHA-256.
#include "dicttool/Manifest.h"

#include <yaml-cpp/yaml.h>

#include <cstring>
#include <vector>

#include "dicttool/Bundle.h"
#include "dicttool/Encoding.h"
#include "dicttool/Platform.h"
#include "dicttool/ToolFiles.h"
#include "payload/Payload.h"
#include "setupscript/ScriptPlan.h"
#include "setupscript/SetupScript.h"

namespace {

constexpr char kManifestVersion[] = "1.6.0";
constexpr char kLocale[] = "en-US";
constexpr std::size_t kMaxScript = 1 << 20;
constexpr char kPartialText[] =
    "2: the installation ran to its end, but steps did not complete "
    "(a file, folder or win.ini setting; the log names them)";

struct ScriptFacts {
    std::string title, version, publisher;  // UTF-8
};

// title as the pre-read takes it (the last one counts), and the version and
// publisher lines of install.inf.
ScriptFacts readScriptFacts(PayloadReader& reader) {
    const PayloadEntry* script = nullptr;
    for (const PayloadEntry& entry : reader.entries)
        if (!entry.isFolder && foldedEntryPath(entry.path) == "install.inf")
            script = &entry;
    if (!script)
        throw ToolError("the setup file carries no install.inf");
    std::string bytes;
    if (readPayloadFile(reader, *script, kMaxScript, bytes) != PayloadFault::None)
        throw ToolError("cannot read install.inf from the setup file");
    const DecodedText decoded = decodeSetupScript(bytes);
    ScriptFacts facts;
    readScriptPieces(decoded.text, [&facts](const ScriptPiece& piece) {
        if (piece.comment || piece.remainder)
            return;
        const LineReading reading = readLineInPass(ScriptPass::PreRead, piece);
        if (!reading.hasArgument)
            return;
        if (reading.preRead == PreReadKeyword::Title)
            facts.title = reading.argument;
        else if (reading.preRead == PreReadKeyword::Version)
            facts.version = reading.argument;
        else if (reading.preRead == PreReadKeyword::Publisher)
            facts.publisher = reading.argument;
    });
    return facts;
}

// winget's identifier: two to eight parts joined by dots, each of 1 to 32
// characters, none a blank or one of \/:*?"<>|.
bool validIdentifier(const std::string& id) {
    int parts = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = std::min(id.find('.', start), id.size());
        const std::string part = id.substr(start, dot - start);
        if (part.empty() || part.size() > 32 || part.find_first_of(" \t\\/:*?\"<>|") != std::string::npos)
            return false;
        ++parts;
        if (dot == id.size())
            return parts >= 2 && parts <= 8;
        start = dot + 1;
    }
}

const char* architectureOf(std::uint16_t machine) {
    switch (machine) {
    case 0x14C: return "x86";
    case 0x8664: return "x64";
    case 0xAA64: return "arm64";
    default: throw ToolError("the setup file is a program for an unknown machine");
    }
}

void begin(YAML::Emitter& out, const ManifestOptions& o, const std::string& version, const char* schema) {
    out << YAML::Comment(std::string("yaml-language-server: $schema=https://aka.ms/winget-manifest.") + schema +
                         "." + kManifestVersion + ".schema.json");
    out << YAML::BeginMap;
    out << YAML::Key << "PackageIdentifier" << YAML::Value << o.id;
    out << YAML::Key << "PackageVersion" << YAML::Value << YAML::DoubleQuoted << version;
}

void end(YAML::Emitter& out, const char* type, const std::string& path) {
    out << YAML::Key << "ManifestType" << YAML::Value << type;
    out << YAML::Key << "ManifestVersion" << YAML::Value << kManifestVersion;
    out << YAML::EndMap;
    if (!out.good())
        throw ToolError("cannot write " + path + ": " + out.GetLastError());
    OutputFile file(path);
    if (!writeText(file.get(), out.c_str()) || !writeText(file.get(), "\n"))
        throw ToolError("cannot write " + path + ": " + systemError());
    file.commit();
    std::printf("%s\n", path.c_str());
}

void returnCode(YAML::Emitter& out, int code, const char* response, const char* comment = nullptr) {
    out << YAML::BeginMap << YAML::Key << "InstallerReturnCode" << YAML::Value << code << YAML::Key
        << "ReturnResponse" << YAML::Value << response;
    if (comment)
        out << YAML::Comment(comment);
    out << YAML::EndMap;
}

// The installer's switches and exit codes, the Apps & Features entry it
// makes, and the one installer.
void installerManifest(const ManifestOptions& o, const ScriptFacts& values, const PayloadLocation& at,
                       const std::string& sha256, const std::string& path) {
    YAML::Emitter out;
    begin(out, o, values.version, "installer");
    out << YAML::Key << "InstallerType" << YAML::Value << "exe";
    out << YAML::Key << "Scope" << YAML::Value << "machine";
    out << YAML::Key << "InstallModes" << YAML::Value << YAML::Flow << YAML::BeginSeq << "interactive" << "silent"
        << "silentWithProgress" << YAML::EndSeq;
    out << YAML::Key << "InstallerSwitches" << YAML::Value << YAML::BeginMap;
    out << YAML::Key << "Silent" << YAML::Value << "/VERYSILENT";
    out << YAML::Key << "SilentWithProgress" << YAML::Value << "/SILENT";
    out << YAML::Key << "InstallLocation" << YAML::Value << "/DIR=\"<INSTALLPATH>\"";
    out << YAML::Key << "Log" << YAML::Value << "/LOG=\"<LOGPATH>\"";
    out << YAML::EndMap;
    out << YAML::Key << "ElevationRequirement" << YAML::Value << "elevatesSelf";
    // A newer setup file runs over the older installation, whose record it merges.
    out << YAML::Key << "UpgradeBehavior" << YAML::Value << "install";
    // winget takes 0 for success itself and refuses it in this list.
    if (o.partialIsSuccess)
        out << YAML::Key << "InstallerSuccessCodes" << YAML::Value << YAML::Flow << YAML::BeginSeq << 2
            << YAML::EndSeq << YAML::Comment(kPartialText);
    out << YAML::Key << "ExpectedReturnCodes" << YAML::Value << YAML::BeginSeq;
    returnCode(out, 1, "contactSupport", "1: the installation ended at an error; the log names it");
    returnCode(out, 87, "invalidParameter");
    returnCode(out, 1618, "installInProgress");
    returnCode(out, 1638, "downgrade");
    returnCode(out, 3010, "rebootRequiredToFinish");
    if (!o.partialIsSuccess)
        returnCode(out, 2, "custom", kPartialText);
    out << YAML::EndSeq;
    out << YAML::Key << "AppsAndFeaturesEntries" << YAML::Value << YAML::BeginSeq << YAML::BeginMap;
    out << YAML::Key << "DisplayName" << YAML::Value << values.title;
    out << YAML::Key << "DisplayVersion" << YAML::Value << YAML::DoubleQuoted << values.version;
    out << YAML::Key << "Publisher" << YAML::Value << values.publisher;
    out << YAML::EndMap << YAML::EndSeq;
    out << YAML::Key << "Installers" << YAML::Value << YAML::BeginSeq << YAML::BeginMap;
    out << YAML::Key << "Architecture" << YAML::Value << architectureOf(at.image.machine);
    out << YAML::Key << "InstallerUrl" << YAML::Value << o.installerUrl;
    out << YAML::Key << "InstallerSha256" << YAML::Value << sha256;
    out << YAML::EndMap << YAML::EndSeq;
    end(out, "installer", path);
}

}  // namespace

int writeManifest(const ManifestOptions& o) {
    if (!validIdentifier(o.id))
        throw ToolError("--id " + o.id + " is no winget identifier (Publisher.Name: parts of 1 to 32 characters)");
    PayloadReader reader;
    const PayloadFault fault = openPayload(payloadPath(o.setup), reader);
    if (fault == PayloadFault::NoPayload)
        throw ToolError(o.setup + " carries no payload: make the setup file with dicttool bundle first");
    if (fault != PayloadFault::None)
        throw ToolError(o.setup + ": " + payloadFaultText(fault));
    const ScriptFacts script = readScriptFacts(reader);
    // The version is the one the installer writes to DisplayVersion, which
    // winget matches with the manifest's.
    if (!o.version.empty() && !script.version.empty() && o.version != script.version)
        throw ToolError("--version " + o.version + " differs from the version line of install.inf (" +
                        script.version + "), which the installer writes to Apps & Features");
    ScriptFacts values;  // the options, else the script
    values.title = o.name.empty() ? script.title : o.name;
    values.version = o.version.empty() ? script.version : o.version;
    values.publisher = o.publisher.empty() ? script.publisher : o.publisher;

    std::string missing;
    const std::pair<const std::string&, const char*> required[] = {
        {values.version, "--version (or a version line in install.inf)"},
        {values.publisher, "--publisher (or a publisher line in install.inf)"},
        {values.title, "--name (or a title line in install.inf)"},
        {o.license, "--license"},
        {o.shortDescription, "--short-description"},
        {o.installerUrl, "--installer-url"}};
    for (const auto& value : required)
        if (value.first.empty())
            missing += std::string(missing.empty() ? "" : ", ") + value.second;
    if (!missing.empty())
        throw ToolError("the manifest needs " + missing);
    if (o.installerUrl.compare(0, 8, "https://") != 0 && o.installerUrl.compare(0, 7, "http://") != 0)
        throw ToolError("--installer-url must be an http or https address");

    if (pathKind(o.folder) != PathKind::Folder && !makeFolder(o.folder))
        throw ToolError("cannot make " + o.folder + ": " + systemError());
    const std::string base = joinNativePath(o.folder, o.id);

    YAML::Emitter version;
    begin(version, o, values.version, "version");
    version << YAML::Key << "DefaultLocale" << YAML::Value << kLocale;
    end(version, "version", base + ".yaml");

    installerManifest(o, values, reader.location, fileSha256(o.setup), base + ".installer.yaml");

    YAML::Emitter locale;
    begin(locale, o, values.version, "defaultLocale");
    locale << YAML::Key << "PackageLocale" << YAML::Value << kLocale;
    locale << YAML::Key << "Publisher" << YAML::Value << values.publisher;
    locale << YAML::Key << "PackageName" << YAML::Value << values.title;
    locale << YAML::Key << "License" << YAML::Value << o.license;
    locale << YAML::Key << "ShortDescription" << YAML::Value << o.shortDescription;
    end(locale, "defaultLocale", base + ".locale." + kLocale + ".yaml");
    std::printf("Validate them with winget (winget validate --manifest %s) before you submit them.\n",
                o.folder.c_str());
    return 0;
}
