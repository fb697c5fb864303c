#include "core/TextFile.h"

#include "core/CodePage.h"
#include "core/FileLayer.h"
#include "core/Utf8Text.h"

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

std::string windowsTextMode(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\x1A'; ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        text += bytes[i];
    }
    return text;
}

bool startsWithByteOrderMark(const std::string& bytes) {
    return bytes.compare(0, 3, kByteOrderMark) == 0;
}

DecodedText decodeTextFile(const std::string& bytes, unsigned namedCodePage, unsigned ansiCodePage, bool textMode) {
    DecodedText decoded;
    const bool marked = startsWithByteOrderMark(bytes);
    decoded.origin = marked            ? CodePageOrigin::ByteOrderMark
                     : namedCodePage != 0 ? CodePageOrigin::Named
                                          : CodePageOrigin::Default;
    decoded.codePage = marked ? kUtf8CodePage : codePageNumber(namedCodePage != 0 ? namedCodePage : ansiCodePage);
    const std::string body = marked ? bytes.substr(3) : bytes;
    const std::string read = textMode ? windowsTextMode(body) : body;
    std::vector<std::size_t> offsets;
    decoded.text = decodeText(read, decoded.codePage, &offsets);
    // The offsets come in order: the lines are counted once over the text.
    int line = 1;
    std::size_t lineStart = 0, counted = 0;
    for (std::size_t offset : offsets) {
        for (; counted < offset; ++counted)
            if (read[counted] == '\n') {
                ++line;
                lineStart = counted + 1;
            }
        decoded.invalid.push_back({line, offset - lineStart + 1, static_cast<unsigned char>(read[offset])});
    }
    return decoded;
}

std::vector<TextPiece> textPieces(const std::string& text, std::size_t maxCharacters) {
    std::vector<TextPiece> pieces;
    int line = 1;
    bool remainder = false;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        for (std::size_t count = 0; at < text.size() && count < maxCharacters; ++count) {
            char32_t c = 0;
            std::size_t length = 1;
            utf8Character(text, at, c, length);
            at += length;
            if (c == '\n')
                break;
        }
        std::string piece = text.substr(start, at - start);
        const std::size_t zero = piece.find('\0');
        const bool lineEnds = zero == std::string::npos && piece.back() == '\n';
        if (zero != std::string::npos)
            piece.resize(zero);
        else if (lineEnds)
            piece.pop_back();
        pieces.push_back({line, remainder, piece});
        remainder = !lineEnds;
        if (lineEnds)
            ++line;
    }
    return pieces;
}

WholeRead readFileBytes(const char* path, long limit, std::string& bytes) {
    return readFileBytes(openFile(path, "rb"), limit, bytes);
}

WholeRead readFileBytes(FilePtr file, long limit, std::string& bytes) {
    bytes.clear();
    if (!file)
        return WholeRead::NotOpened;
    const long size = fileSize(file.get());
    if (size < 0 || size > limit)
        return WholeRead::NotRead;
    bytes.assign(static_cast<std::size_t>(size), '\0');
    if (size > 0 && !readItems(&bytes[0], 1, bytes.size(), file.get()))
        return WholeRead::NotRead;
    return WholeRead::Read;
}
