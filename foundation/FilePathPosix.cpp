// File paths outside Windows: bytes, in the locale's encoding as Qt reads it.
#include "foundation/FilePath.h"

#include <QFile>

namespace varno {

QString pathToQString(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

std::filesystem::path pathFromQString(const QString& path)
{
    return {QFile::encodeName(path).toStdString()};
}

std::vector<std::filesystem::path> commandLineArguments(int argc, char** argv)
{
    return argc < 1 ? std::vector<std::filesystem::path>{} : std::vector<std::filesystem::path>(argv + 1, argv + argc);
}

bool isLink(const std::filesystem::path& path)
{
    std::error_code ignored;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(path, ignored));
}

std::filesystem::path programFolder()
{
    std::error_code ignored;
    return std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path();
}

} // namespace varno
