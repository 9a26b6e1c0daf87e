#pragma once

#include <QIODevice>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

namespace varno {

// What a write does with a link found at the file's name.
enum class AtALink {
    WriteItsTarget, // the host's own file: what it named, wherever that leads
    ReplaceIt,      // a name in a shared folder: no step follows a link there, the link itself is replaced
};

// Replaces path whole or not at all: fill writes into a file beside it, which is renamed over path only
// when filling, flushing and closing all succeeded. Returns the reason of a failure, path then left as
// it was, or nothing.
std::optional<QString> replaceFileWhole(const std::filesystem::path& path, const std::function<bool(QIODevice&)>& fill,
                                        AtALink atALink = AtALink::WriteItsTarget);

// Writes bytes to path whole or not at all (a file beside it, renamed over it). Throws VarnoError.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

} // namespace varno
