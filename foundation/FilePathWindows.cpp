// File paths on Windows: wide paths, extended past MAX_PATH for Win32's own calls.
#include "foundation/FilePath.h"

#include "foundation/Owned.h"

#include <windows.h>
// windows.h first
#include <shellapi.h>

namespace varno {

QString pathToQString(const std::filesystem::path& path)
{
    return QString::fromStdWString(path.native());
}

std::filesystem::path pathFromQString(const QString& path)
{
    return {path.toStdWString()};
}

std::vector<std::filesystem::path> commandLineArguments(int, char**)
{
    int count = 0;
    const Owned<wchar_t*, LocalFree> wide(CommandLineToArgvW(GetCommandLineW(), &count));
    if (!wide || count < 1) {
        return {};
    }
    return {wide.get() + 1, wide.get() + count};
}

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

bool isLink(const std::filesystem::path& path)
{
    const DWORD attributes = GetFileAttributesW(win32Path(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::filesystem::path programFolder()
{
    std::wstring executable(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, executable.data(), static_cast<DWORD>(executable.size()))) ==
           executable.size()) {
        executable.resize(executable.size() * 2);
    }
    executable.resize(length);
    return std::filesystem::path(executable).parent_path();
}

} // namespace varno
