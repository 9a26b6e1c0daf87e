#pragma once

#include <QtGlobal>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varno {

// Reads an INI file the way the Windows profile functions do: section and key names match without
// regard to case, the first occurrence of a section or key wins, blanks around a value are dropped and
// one pair of enclosing quotes (single or double) is removed, lines starting with ';' are comments.
// The bytes are UTF-8 / UTF-16 (either byte order) when the file starts with that byte-order mark;
// without one, UTF-8 when they are valid UTF-8 holding a multi-byte sequence, else Windows-1252. A value
// ends at a NUL. Texts come out as UTF-8.
class IniFile {
public:
    // A configuration file the host writes holds a few hundred bytes; one far larger is not one.
    static constexpr qint64 kMaxBytes = qint64{1} << 20;

    // Nothing when the file cannot be read (no permission, held by another program) or is larger than
    // kMaxBytes.
    static std::optional<IniFile> load(const std::filesystem::path& path);
    static IniFile parse(std::string_view bytes);

    // The value of a present key, possibly empty; the default when the key or its section is absent.
    std::string readString(std::string_view section, std::string_view key, const std::string& defaultValue) const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    std::vector<Section> sections_;
};

} // namespace varno
