#include "pricing/ProductImage.h"

#include "foundation/Error.h"
#include "foundation/FilePath.h"
#include "foundation/WholeFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cctype>
#include <set>
#include <string_view>

namespace varno {
namespace {

// Windows opens a device instead of a file for these names, whatever the extension ("CON.bmp", "nul .bmp").
bool isDeviceName(std::string_view name)
{
    std::string stem(name.substr(0, name.find('.')));
    stem.erase(stem.find_last_not_of(' ') + 1);
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    static const std::set<std::string, std::less<>> devices = [] {
        std::set<std::string, std::less<>> names{"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
        for (const char* port : {"COM", "LPT"}) {
            for (const char* digit : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "\u00B9", "\u00B2", "\u00B3"}) {
                names.insert(std::string(port) + digit);
            }
        }
        return names;
    }();
    return devices.contains(stem);
}

// Qt's own texts are English.
std::string readingFailure(QImageReader::ImageReaderError error)
{
    switch (error) {
    case QImageReader::UnsupportedFormatError:
        return "format d'image non reconnu";
    case QImageReader::InvalidDataError:
        return "données d'image invalides ou incomplètes";
    default:
        return "lecture impossible";
    }
}

bool isPlainFileName(const std::string& name)
{
    if (name.empty() || name.find("..") != std::string::npos || isDeviceName(name)) {
        return false;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
            return false;
        }
    }
    return name.back() != '.' && name.back() != ' '; // Windows drops them, naming another file
}

} // namespace

std::filesystem::path productImagePath(const std::filesystem::path& temporaryFilePath, const std::string& projectId)
{
    if (!isPlainFileName(projectId)) {
        throw VarnoError("L'identifiant du devis « " + projectId +
                         " » ne peut pas servir de nom de fichier pour l'image du produit.");
    }
    return temporaryFilePath.parent_path() / pathFromUtf8(projectId + ".bmp");
}

bool SaveProductImage(const std::filesystem::path& path, const std::string& base64)
{
    QByteArray bytes =
        QByteArray::fromBase64(QByteArray::fromRawData(base64.data(), static_cast<qsizetype>(base64.size())));
    if (path.empty()) {
        return false;
    }
    // The host's folder is shared and the record numbers predictable: a link planted at the picture's
    // name would have the picture replace, or create, any file the person may write. One found now is
    // told; one planted later is replaced by the write, never followed.
    if (isLink(path)) {
        throw VarnoError("Impossible d'écrire l'image du produit « " + pathToUtf8(path) +
                         " » : ce nom est un lien vers un autre emplacement.");
    }
    QImage picture;
    {
        QBuffer source(&bytes);
        QImageReader reader(&source);
        if (!reader.read(&picture)) {
            throw VarnoError("L'image du produit est illisible : " + readingFailure(reader.error()) + ".");
        }
    }
    bytes.clear();
    if (picture.hasAlphaChannel()) {
        QImage opaque(picture.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter(&opaque).drawImage(0, 0, picture);
        picture = std::move(opaque);
    }

    const auto failure = replaceFileWhole(
        path, [&picture](QIODevice& file) { return picture.save(&file, "BMP"); }, AtALink::ReplaceIt);
    if (failure) {
        throw VarnoError("Impossible d'écrire l'image du produit « " + pathToUtf8(path) +
                         " » : " + failure->toStdString() + ".");
    }
    return true;
}

} // namespace varno
