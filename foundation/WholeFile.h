#pragma once

#include <QIODevice>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>

namespace varno {

// A file written whole beside its target under a name of its own, not yet in place: commit() renames it
// over the target, replacing a link found there instead of following it. Dropped uncommitted, it is
// removed. So a file can be made ready, and put in place only once another has been written.
class PendingFile {
public:
    explicit PendingFile(std::filesystem::path target) : target_(std::move(target)) {}
    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&&) = delete;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();

    const std::filesystem::path& target() const { return target_; }
    // Writes the file through fill, created exclusively (a link planted at its name makes the creation
    // fail instead of being followed). Returns the reason of a failure, nothing then left behind.
    std::optional<QString> fill(const std::function<bool(QIODevice&)>& fill);
    // Renames the filled file over the target; the reason of a failure, the target then as it was.
    std::optional<QString> commit();

private:
    std::filesystem::path target_;
    std::filesystem::path written_; // empty once committed or removed
    qint64 size_ = 0;
};

// Writes bytes to the host's own file whole or not at all (a file beside it, renamed over it), where a
// link at its name leads. Throws VarnoError, the file then as it was.
void writeFileWhole(const std::filesystem::path& path, std::string_view bytes);

} // namespace varno
