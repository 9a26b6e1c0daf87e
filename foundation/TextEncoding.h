#pragma once

#include <string>
#include <string_view>

namespace varno {

// Windows-1252 is the code page of the host's files: the configuration file comes in with it and the
// result document goes out with it. Inside the program every text is UTF-8.

// Each byte becomes its Windows-1252 character. The five bytes the code page leaves unassigned map to
// the C1 control characters of the same value, as Windows does.
std::string windows1252ToUtf8(std::string_view bytes);

// Each character becomes its Windows-1252 byte. A character the code page cannot hold is written as an
// XML character reference (&#NNNN;), so nothing is lost. Invalid UTF-8 sequences become U+FFFD first.
std::string utf8ToWindows1252XmlSafe(std::string_view utf8);

// Whether the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

// Whether every character of the UTF-8 text has a Windows-1252 byte (so no character reference is needed).
bool fitsWindows1252(std::string_view utf8);

// The UTF-8 text without the characters XML 1.0 forbids (control characters other than tab, LF and CR;
// U+FFFE, U+FFFF; surrogates), which no XML reader accepts even as character references. Invalid UTF-8
// sequences become U+FFFD.
std::string withoutXmlForbiddenCharacters(std::string_view utf8);

} // namespace varno
