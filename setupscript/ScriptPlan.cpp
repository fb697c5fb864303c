#include "setupscript/ScriptPlan.h"

#include "core/Utf8Text.h"

namespace {

// What a keyword of the execution pass needs besides the keyword itself.
LineIgnored executionNeeds(ScriptKeyword keyword, const char* line, LineReading& reading) {
    switch (keyword) {
    case ScriptKeyword::MkWList:
        return LineIgnored::NotIgnored;
    case ScriptKeyword::Copy:
    case ScriptKeyword::XCopy:
    case ScriptKeyword::SndCopy:
        reading.hasOperands = splitOperands(line, reading.first, reading.second);
        return reading.hasOperands ? LineIgnored::NotIgnored : LineIgnored::MissingOperand;
    case ScriptKeyword::SetIni:
        reading.hasKeyValue =
            reading.hasArgument && splitKeyValue(reading.argument.c_str(), reading.key, reading.value);
        return reading.hasKeyValue ? LineIgnored::NotIgnored : LineIgnored::MissingArgument;
    default:
        return reading.hasArgument ? LineIgnored::NotIgnored : LineIgnored::MissingArgument;
    }
}

// Why a line whose first word is no keyword of this pass is ignored.
LineIgnored withoutKeyword(const ScriptPiece& piece, bool otherPassKeyword) {
    if (otherPassKeyword)
        return LineIgnored::OtherPass;
    if (piece.remainder)
        return LineIgnored::Remainder;
    if (piece.text[0] == ' ')
        return LineIgnored::LeadingSpace;
    return LineIgnored::UnknownWord;
}

}  // namespace

LineReading readLineInPass(ScriptPass pass, const ScriptPiece& piece) {
    LineReading reading;
    if (piece.comment) {
        reading.ignored = LineIgnored::Comment;
        return reading;
    }
    const char* line = piece.text;
    const PreReadKeyword preRead = preReadKeyword(line);
    const ScriptKeyword execution = executionKeyword(line);
    const bool own = pass == ScriptPass::PreRead ? preRead != PreReadKeyword::None
                                                 : execution != ScriptKeyword::None;
    if (!own) {
        reading.ignored = withoutKeyword(piece, preRead != PreReadKeyword::None || execution != ScriptKeyword::None);
        return reading;
    }
    if (const char* argument = keywordArgument(line)) {
        reading.hasArgument = true;
        reading.argument = argument;
    }
    if (pass == ScriptPass::PreRead) {
        reading.preRead = preRead;
        if (preRead != PreReadKeyword::Debug && !reading.hasArgument)
            reading.ignored = LineIgnored::MissingArgument;
        return reading;
    }
    reading.execution = execution;
    reading.ignored = executionNeeds(execution, line, reading);
    return reading;
}

const char* ignoredName(LineIgnored reason) {
    switch (reason) {
    case LineIgnored::Comment: return "comment";
    case LineIgnored::UnknownWord: return "unknown-word";
    case LineIgnored::LeadingSpace: return "leading-space";
    case LineIgnored::Remainder: return "remainder";
    case LineIgnored::MissingArgument: return "missing-argument";
    case LineIgnored::MissingOperand: return "missing-operand";
    case LineIgnored::OtherPass: return "other-pass";
    case LineIgnored::NotIgnored: break;
    }
    return "";
}

bool fitsPath(const std::string& path) {
    return utf16Length(path) <= kMaxPathLength;
}

std::string singleCopyDestination(const std::string& targetSlash, const std::string& destination) {
    return targetSlash + destination;
}

std::string folderCopyDestination(const std::string& targetSlash, const std::string& folder,
                                  const std::string& name) {
    return targetSlash + folder + "\\" + name;
}

std::string patternFolder(const std::string& pattern) {
    const std::string::size_type cut = pattern.find_last_of("\\/:");
    return cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
}

std::string folderCopySource(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}
