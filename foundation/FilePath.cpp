#include "foundation/FilePath.h"

#include <QFile>

#ifdef _WIN32
#include <windows.h>
#endif

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

std::wstring extendedLengthPath(std::wstring_view full)
{
    if (full.starts_with(LR"(\\?\)") || full.starts_with(LR"(\\.\)")) { // already one, or a device
        return std::wstring(full);
    }
    if (full.starts_with(LR"(\\)")) {
        return LR"(\\?\UNC\)" + std::wstring(full.substr(2));
    }
    if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') {
        return LR"(\\?\)" + std::wstring(full);
    }
    return std::wstring(full);
}

#ifdef _WIN32
std::wstring win32Path(const std::filesystem::path& path)
{
    const std::wstring& given = path.native();
    const DWORD needed = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    std::wstring full(needed, L'\0');
    const DWORD length = needed == 0 ? 0 : GetFullPathNameW(given.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        return given;
    }
    full.resize(length);
    return extendedLengthPath(full);
}
#endif

bool isLink(const std::filesystem::path& path)
{
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(win32Path(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
    std::error_code ignored;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(path, ignored));
#endif
}

std::filesystem::path programFolder()
{
#ifdef _WIN32
    std::wstring executable(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, executable.data(), static_cast<DWORD>(executable.size()))) ==
           executable.size()) {
        executable.resize(executable.size() * 2);
    }
    executable.resize(length);
    return std::filesystem::path(executable).parent_path();
#else
    std::error_code ignored;
    return std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path();
#endif
}

} // namespace varno
