#include "app/IniFile.h"

#include "foundation/FilePath.h"
#include "foundation/TextEncoding.h"

#include <QFile>
#include <QString>

#include <algorithm>

namespace varno {
namespace {

std::string_view trimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string_view unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool sameName(std::string_view a, std::string_view b)
{
    return QString::compare(QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size())),
                            QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())), Qt::CaseInsensitive) == 0;
}

std::string decodeText(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        // Through Qt, so that a broken sequence becomes U+FFFD rather than bytes no later step expects.
        const std::string_view utf8 = bytes.substr(3);
        return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toStdString();
    }
    const bool littleEndian = bytes.starts_with("\xFF\xFE");
    if (littleEndian || bytes.starts_with("\xFE\xFF")) {
        const auto units = static_cast<qsizetype>((bytes.size() - 2) / 2);
        QString text(units, Qt::Uninitialized);
        for (qsizetype i = 0; i < units; ++i) {
            const auto first = static_cast<unsigned char>(bytes[static_cast<std::size_t>(2 + 2 * i)]);
            const auto second = static_cast<unsigned char>(bytes[static_cast<std::size_t>(3 + 2 * i)]);
            text[i] = QChar(static_cast<char16_t>(littleEndian ? first | (second << 8) : (first << 8) | second));
        }
        return text.toStdString();
    }
    // Without a mark: UTF-8 as Notepad saves it, when the bytes are UTF-8 with at least one multi-byte
    // sequence; French Windows-1252 text practically never is, so the host's own files read as before.
    const bool hasMultiByte =
        std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    return hasMultiByte && isValidUtf8(bytes) ? std::string(bytes) : windows1252ToUtf8(bytes);
}

// A value ends at a NUL, as the C strings of Windows' own profile functions do.
std::string_view beforeNul(std::string_view value)
{
    return value.substr(0, value.find('\0'));
}

} // namespace

std::optional<IniFile> IniFile::load(const std::filesystem::path& path)
{
    QFile file(pathToQString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    // Read up to the bound only: a device or a pipe has no size to check beforehand.
    const QByteArray bytes = file.read(kMaxBytes + 1);
    if (bytes.size() > kMaxBytes || file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

IniFile IniFile::parse(std::string_view bytes)
{
    IniFile ini;
    const std::string text = decodeText(bytes);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string_view line = trimBlanks(std::string_view(text).substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);

        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const auto close = line.find(']');
            ini.sections_.push_back({std::string(trimBlanks(line.substr(
                                         1, close == std::string_view::npos ? std::string_view::npos : close - 1))),
                                     {}});
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos || ini.sections_.empty()) {
            continue;
        }
        ini.sections_.back().entries.emplace_back(std::string(trimBlanks(line.substr(0, equals))),
                                                  std::string(unquote(trimBlanks(beforeNul(line.substr(equals + 1))))));
    }
    return ini;
}

std::string IniFile::readString(std::string_view section, std::string_view key, const std::string& defaultValue) const
{
    for (const Section& candidate : sections_) {
        if (!sameName(candidate.name, section)) {
            continue;
        }
        for (const auto& [name, value] : candidate.entries) {
            if (sameName(name, key)) {
                return value;
            }
        }
        return defaultValue; // only the first section of that name counts
    }
    return defaultValue;
}

} // namespace varno
