// The 8-bit text files of a medium (install.inf, language.cf, the display
// file): read whole, decoded once into UTF-8, and cut into the reads that
// their line rules judge.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/FileLayer.h"

// Where the code page a text file was decoded with comes from.
enum class CodePageOrigin {
    Default,        // none named: the system's ANSI code page (or the one a checker assumes)
    ByteOrderMark,  // UTF-8, after the byte order mark the file starts with
    Named,          // the code page install.inf's codepage line names
};

struct InvalidByte {
    int line = 0;            // counted from 1
    std::size_t column = 0;  // the byte's place in its line, counted from 1
    unsigned char value = 0;
};

struct DecodedText {
    std::string text;       // UTF-8
    unsigned codePage = 0;  // the number of the code page decoded with
    CodePageOrigin origin = CodePageOrigin::Default;
    std::vector<InvalidByte> invalid;  // bytes that begin no character, each read as U+FFFD
};

// The bytes as the C library in text mode on Windows reads them: CR LF
// becomes LF, and a Ctrl-Z ends the text. Neither byte is ever part of a
// character of more than one byte.
std::string windowsTextMode(const std::string& bytes);

bool startsWithByteOrderMark(const std::string& bytes);

// A text file of the medium decoded: as UTF-8 after a UTF-8 byte order mark
// (which is dropped), otherwise in the code page install.inf names (0 when
// it names none), otherwise in ansiCodePage (kAnsiCodePage: the system's).
// In text mode the bytes are read as windowsTextMode reads them; invalid
// bytes are placed by those bytes.
DecodedText decodeTextFile(const std::string& bytes, unsigned namedCodePage, unsigned ansiCodePage, bool textMode);

// One read of a line: what fgets with a buffer of maxCharacters + 1 gives
// on a text of single-byte characters, counted here in characters, so that
// a character is never cut and a single-byte code page keeps its reads.
struct TextPiece {
    int line = 0;            // the file line it comes from, counted from 1
    bool remainder = false;  // a later read of a line longer than one read
    std::string text;        // without its line feed, and ending at a zero byte
};

// Every read of the decoded text in order. A read holds at most
// maxCharacters characters and ends after a line feed; as with fgets, a
// read that holds a zero byte does not end its line.
std::vector<TextPiece> textPieces(const std::string& text, std::size_t maxCharacters);

enum class WholeRead { Read, NotOpened, NotRead };

// Reads the file whole, in binary, through the file layer: NotOpened when
// it cannot be opened, NotRead when it is larger than limit or its size or
// bytes cannot be read.
WholeRead readFileBytes(const char* path, long limit, std::string& bytes);
// The same for a file opened already (NotOpened when it is null).
WholeRead readFileBytes(FilePtr file, long limit, std::string& bytes);
