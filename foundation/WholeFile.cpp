#include "foundation/WholeFile.h"

#include "foundation/DiagnosticLog.h"
#include "foundation/Error.h"
#include "foundation/FilePath.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace varno {
namespace {

// A file the system would let be written, but whose read-only mark (attribute or permissions) forbids it.
bool isReadOnlyFile(const std::filesystem::path& path)
{
    const QFileInfo file(pathToQString(path));
    return file.isFile() && !file.isWritable() && !isLink(path);
}

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
    } else if (isReadOnlyFile(path)) {
        reason = "le fichier est en lecture seule";
    } else if (deviceFull) {
        reason = "le disque est plein ou refuse l'écriture";
    } else {
        reason = "l'accès est refusé (droits du dossier, ou fichier ouvert par un autre programme)";
    }
    return reason + " (" + systemWords + ")";
}

// The system's own words on writing a read-only file: Qt refuses it before asking the system, in English.
// Where the system would let it be written (an administrator's run may), the mark is named instead.
QString systemWordsOnWriting(const std::filesystem::path& path)
{
    QFile probe(pathToQString(path));
    if (probe.open(QIODevice::WriteOnly | QIODevice::Append)) { // appends nothing, changes nothing
        return "la case « Lecture seule » de ses propriétés est cochée";
    }
    return probe.errorString();
}

QString writeFailure(const std::filesystem::path& path, const QFileDevice& file)
{
    const QString words = isReadOnlyFile(path) ? systemWordsOnWriting(path) : file.errorString();
    return writeFailure(path, file.error() == QFileDevice::WriteError || file.error() == QFileDevice::ResourceError,
                        words);
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

void logWrite(const std::filesystem::path& path, const std::optional<QString>& failure, qint64 written)
{
    const QString name = pathToQString(path);
    if (failure) {
        qCInfo(logFiles, "non écrit : %s : %s", qUtf8Printable(name), qUtf8Printable(*failure));
    } else {
        qCInfo(logFiles, "écrit : %s (%lld octets)", qUtf8Printable(name), written);
    }
}

// Renames a file over a name; a link at that name is replaced, never followed.
bool renameOver(const std::filesystem::path& from, const std::filesystem::path& to)
{
#ifdef _WIN32
    return MoveFileExW(win32Path(from).c_str(), win32Path(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

} // namespace

PendingFile::PendingFile(PendingFile&& other) noexcept
    : target_(std::move(other.target_)), written_(std::exchange(other.written_, {})), size_(other.size_)
{
}

PendingFile::~PendingFile()
{
    if (!written_.empty()) {
        QFile::remove(pathToQString(written_)); // through Qt, which takes a path past MAX_PATH on Windows
    }
}

std::optional<QString> PendingFile::fill(const std::function<bool(QIODevice&)>& fill)
{
    // Checked now, so that a target that could not be replaced stops the run before anything else is
    // written with it (Windows renames nothing over a read-only file).
    if (isReadOnlyFile(target_)) {
        const QString failure = writeFailure(target_, false, systemWordsOnWriting(target_));
        logWrite(target_, failure, 0);
        return failure;
    }
    QFile file;
    for (int attempt = 0; attempt < 16 && !file.isOpen(); ++attempt) {
        file.setFileName(pathToQString(target_) + "." + QString::number(QRandomGenerator::global()->generate(), 36));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !file.exists()) {
            break;
        }
    }
    const auto failed = [&](const QString& reason) {
        if (file.isOpen()) {
            file.close(); // what is still buffered may fail to be written: removed by name, not through `file`
            QFile::remove(file.fileName());
        }
        logWrite(target_, reason, 0);
        return reason;
    };
    if (!file.isOpen()) {
        return failed(writeFailure(target_, file));
    }
    if (!fill(file) || !file.flush()) {
        return failed(writeFailure(target_, file));
    }
    size_ = file.size();
    file.close();
    if (file.error() != QFileDevice::NoError) {
        return failed(writeFailure(target_, file));
    }
    written_ = pathFromQString(file.fileName());
    return std::nullopt;
}

std::optional<QString> PendingFile::commit()
{
    std::optional<QString> failure;
    if (written_.empty()) {
        failure = writeFailure(target_, false, "rien n'a été écrit");
    } else if (!renameOver(written_, target_)) {
        failure = writeFailure(target_, false, qt_error_string());
    } else {
        written_.clear();
    }
    logWrite(target_, failure, size_);
    return failure;
}

void writeFileWhole(const std::filesystem::path& path, std::string_view bytes)
{
    qint64 written = 0;
    const auto failure = replaceFollowing(
        path,
        [bytes](QIODevice& file) {
            return file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
        },
        written);
    logWrite(path, failure, written);
    if (failure) {
        throw VarnoError("Impossible d'écrire le fichier « " + pathToUtf8(path) + " » : " + failure->toStdString());
    }
}

} // namespace varno
