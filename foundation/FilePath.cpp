#include "foundation/FilePath.h"

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

} // namespace varno
