// The code pages the tool names: the --encoding option that tells which
// ANSI code page the installer's system would have, and how the report
// tells the code page each text file was decoded with. The word-list records
// are Windows-1252 (windows1252ToUtf8 and utf8ToWindows1252 of
// core/CodePage.h show them as UTF-8).
#pragma once

#include <string>

#include "core/TextFile.h"

// "1251", "cp1251", "windows-1251" or "utf-8" (any case) as a code page
// number; false for anything else, and for a code page the system does not
// convert.
bool parseEncoding(const std::string& text, unsigned& codePage);

// "code page 1252 (the ANSI code page)", "UTF-8 (byte order mark)", "code
// page 1251 (codepage line 3)".
std::string encodingText(const DecodedText& text, int codePageLine);

// "ansi", "byte-order-mark" or "codepage-line", for JSON.
const char* originName(CodePageOrigin origin);

// Throws ToolError when bytes, the file at path, hold a zero byte: a file
// the installer cannot read as text (UTF-16 is named as such).
void refuseBinaryText(const std::string& path, const std::string& bytes);
