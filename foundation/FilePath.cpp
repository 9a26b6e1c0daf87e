#include "foundation/FilePath.h"

#include <QFile>

namespace varno {

std::filesystem::path pathFromUtf8(std::string_view utf8)
{
    // The char8_t overload: a plain std::string would be read in the ANSI code page on Windows.
    return {std::u8string(utf8.begin(), utf8.end())};
}

std::string pathToUtf8(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

QString pathToQString(const std::filesystem::path& path)
{
#ifdef _WIN32
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

std::filesystem::path pathFromQString(const QString& path)
{
#ifdef _WIN32
    return {path.toStdWString()};
#else
    return {QFile::encodeName(path).toStdString()};
#endif
}

} // namespace varno
