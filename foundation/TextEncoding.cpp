#include "foundation/TextEncoding.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace varno {
namespace {

// Code points of the bytes 0x80 to 0x9F; the rest of the code page equals ISO-8859-1.
constexpr std::array<char32_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at pos and advances pos; returns 0xFFFFFFFF for a malformed one.
char32_t decodeUtf8(std::string_view s, std::size_t& pos)
{
    constexpr char32_t bad = 0xFFFFFFFF;
    const auto lead = static_cast<std::uint8_t>(s[pos]);
    int length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return bad;
    }
    if (pos + static_cast<std::size_t>(length) > s.size()) {
        ++pos;
        return bad;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(s[pos + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return bad;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return bad;
    }
    pos += static_cast<std::size_t>(length);
    return cp;
}

int windows1252Byte(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<int>(cp);
    }
    for (std::size_t i = 0; i < kHighControlRange.size(); ++i) {
        if (kHighControlRange[i] == cp) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

} // namespace

std::string windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b < 0x80) {
            out += c;
        } else if (b < 0xA0) {
            appendUtf8(out, kHighControlRange[b - 0x80]);
        } else {
            appendUtf8(out, b);
        }
    }
    return out;
}

std::string utf8ToWindows1252XmlSafe(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = decodeUtf8(utf8, pos);
        if (cp == 0xFFFFFFFF) {
            cp = 0xFFFD;
        }
        const int byte = windows1252Byte(cp);
        if (byte >= 0) {
            out += static_cast<char>(byte);
        } else {
            out += "&#" + std::to_string(static_cast<std::uint32_t>(cp)) + ';';
        }
    }
    return out;
}

bool fitsWindows1252(std::string_view utf8)
{
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        if (windows1252Byte(decodeUtf8(utf8, pos)) < 0) {
            return false;
        }
    }
    return true;
}

std::string withoutXmlForbiddenCharacters(std::string_view utf8)
{
    const auto forbidden = [](char32_t cp) {
        return (cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') || cp == 0xFFFE || cp == 0xFFFF ||
               (cp >= 0xD800 && cp <= 0xDFFF);
    };
    std::string kept;
    kept.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t start = pos;
        const char32_t cp = decodeUtf8(utf8, pos);
        if (cp == 0xFFFFFFFF) {
            // Replaced here rather than later, so that dropping a character never joins two broken
            // pieces into a forbidden one.
            kept.append("\xEF\xBF\xBD");
        } else if (!forbidden(cp)) {
            kept.append(utf8.substr(start, pos - start));
        }
    }
    return kept;
}

bool isValidUtf8(std::string_view bytes)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        // Bodies are mostly ASCII (a picture's Base64 is megabytes of it): skip it eight bytes at a time.
        std::uint64_t word = 0;
        if (pos + sizeof word <= bytes.size()) {
            std::memcpy(&word, bytes.data() + pos, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0) {
                pos += sizeof word;
                continue;
            }
        }
        if (decodeUtf8(bytes, pos) == 0xFFFFFFFF) {
            return false;
        }
    }
    return true;
}

} // namespace varno
