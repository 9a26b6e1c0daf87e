#pragma once

#include <QString>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varno {

// Every file the program reads or writes is named by a std::filesystem::path, built from what the
// platform gives (the wide command line on Windows, bytes elsewhere), so an accented folder in a
// Windows profile reaches the file system intact. Texts inside the program are UTF-8; these convert
// at that edge.

// A path from UTF-8 text, such as an identifier that a server sent.
std::filesystem::path pathFromUtf8(std::string_view utf8);

// The path as UTF-8, for messages: as given, without normalising it.
std::string pathToUtf8(const std::filesystem::path& path);

// The path for Qt's file classes, and back.
QString pathToQString(const std::filesystem::path& path);
std::filesystem::path pathFromQString(const QString& path);

// The full path as Win32's wide file functions take it past MAX_PATH (260 characters), whether or not the
// system has long paths enabled: "\\?\" before a drive, "\\?\UNC\" in place of a share's "\\", as Qt
// does for its own calls; a path already so prefixed, or a device's ("\\.\"), is kept.
std::wstring extendedLengthPath(std::wstring_view full);
#ifdef _WIN32
// The path made full by the system (relative to the current folder, "." and ".." resolved), extended.
// Every Win32 file function the program calls itself takes its path through this.
std::wstring win32Path(const std::filesystem::path& path);
#endif

// Whether the path names a symbolic link, or on Windows any reparse point (a junction, a mount point),
// even one that leads nowhere: writing there would write somewhere else.
bool isLink(const std::filesystem::path& path);

// The arguments after the program's name, as the platform gives them. On Windows that is the wide
// command line: argv holds ANSI text, which may lack a character of a folder's name.
std::vector<std::filesystem::path> commandLineArguments(int argc, char** argv);

// The folder of the running program's executable, as the system gives it (no Qt application needed):
// what the program loads at run time comes from there.
std::filesystem::path programFolder();

} // namespace varno
