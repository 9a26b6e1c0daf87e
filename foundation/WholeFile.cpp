#include "foundation/WholeFile.h"

#include "foundation/DiagnosticLog.h"
#include "foundation/Error.h"
#include "foundation/FilePath.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace varno {
namespace {

// Why a write failed, in French for the usual causes, the system's own words after it.
QString writeFailure(const std::filesystem::path& path, bool deviceFull, const QString& systemWords)
{
    std::error_code ignored;
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    QString reason;
    if (!std::filesystem::exists(folder, ignored)) {
        reason = "son dossier n'existe pas";
    } else if (!std::filesystem::is_directory(folder, ignored)) {
        reason = "ce qui devrait être son dossier est un fichier";
    } else if (std::filesystem::is_directory(path, ignored)) {
        reason = "un dossier porte ce nom";
    } else if (path.filename().native().size() > 255) {
        reason = "son nom est trop long";
    } else if (deviceFull) {
        reason = "le disque est plein ou refuse l'écriture";
    } else {
        reason = "l'accès est refusé (droits du dossier, ou fichier ouvert par un autre programme)";
    }
    return reason + " (" + systemWords + ")";
}

QString writeFailure(const std::filesystem::path& path, const QFileDevice& file)
{
    return writeFailure(path, file.error() == QFileDevice::WriteError || file.error() == QFileDevice::ResourceError,
                        file.errorString());
}

// The host's own file, through QSaveFile, which writes where a link at the name leads.
std::optional<QString> replaceFollowing(const std::filesystem::path& path, const std::function<bool(QIODevice&)>& fill,
                                        qint64& written)
{
    QSaveFile file(pathToQString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        return writeFailure(path, file);
    }
    // commit() reports success even when the bytes still buffered cannot be written (a full disk),
    // so the buffer is flushed and checked first.
    if (!fill(file) || !file.flush()) {
        const QString reason = writeFailure(path, file);
        file.cancelWriting();
        return reason;
    }
    written = file.size();
    if (!file.commit()) {
        return writeFailure(path, file);
    }
    return std::nullopt;
}

// Renames a file over a name; a link at that name is replaced, never followed.
bool renameOver(const std::filesystem::path& from, const std::filesystem::path& to)
{
#ifdef _WIN32
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

// The file is created in the target's folder under a name of its own, exclusively (a link planted at
// that name makes the creation fail instead of being followed), then renamed over the target, which
// replaces a link found there instead of writing through it.
std::optional<QString> replaceNotFollowing(const std::filesystem::path& path,
                                           const std::function<bool(QIODevice&)>& fill, qint64& written)
{
    QFile file;
    for (int attempt = 0; attempt < 16 && !file.isOpen(); ++attempt) {
        file.setFileName(pathToQString(path) + "." + QString::number(QRandomGenerator::global()->generate(), 36));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !file.exists()) {
            return writeFailure(path, file);
        }
    }
    if (!file.isOpen()) {
        return writeFailure(path, file);
    }
    const auto failed = [&file](const QString& reason) {
        file.close(); // what is still buffered may fail to be written: removed by name, not through `file`
        QFile::remove(file.fileName());
        return reason;
    };
    if (!fill(file) || !file.flush()) {
        return failed(writeFailure(path, file));
    }
    written = file.size();
    file.close();
    if (file.error() != QFileDevice::NoError) {
        return failed(writeFailure(path, file));
    }
    if (!renameOver(pathFromQString(file.fileName()), path)) {
        return failed(writeFailure(path, false, qt_error_string()));
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> replaceFileWhole(const std::filesystem::path& path, const std::function<bool(QIODevice&)>& fill,
                                        AtALink atALink)
{
    qint64 written = 0;
    std::optional<QString> failure = atALink == AtALink::ReplaceIt ? replaceNotFollowing(path, fill, written)
                                                                   : replaceFollowing(path, fill, written);
    const QString name = pathToQString(path);
    if (failure) {
        qCInfo(logFiles, "non écrit : %s : %s", qUtf8Printable(name), qUtf8Printable(*failure));
    } else {
        qCInfo(logFiles, "écrit : %s (%lld octets)", qUtf8Printable(name), written);
    }
    return failure;
}

void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes)
{
    const auto failure = replaceFileWhole(path, [bytes](QIODevice& file) {
        return file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
    });
    if (failure) {
        throw VarnoError("Impossible d'écrire le fichier « " + pathToUtf8(path) + " » : " + failure->toStdString());
    }
}

} // namespace varno
