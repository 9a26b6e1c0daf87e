#include "ProductImage.h"

#include "Error.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSaveFile>

namespace varno {
namespace {

bool isPlainFileName(const std::string& name)
{
    if (name.empty() || name.find("..") != std::string::npos) {
        return false;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
            return false;
        }
    }
    return name.back() != '.' && name.back() != ' ';  // Windows drops them, naming another file
}

} // namespace

std::string productImagePath(const std::string& temporaryFilePath, const std::string& projectId)
{
    if (!isPlainFileName(projectId)) {
        throw VarnoError("L'identifiant du devis « " + projectId +
                         " » ne peut pas servir de nom de fichier pour l'image du produit.");
    }
    const auto delimiter = temporaryFilePath.find_last_of("/\\");
    const std::string folder = delimiter == std::string::npos ? std::string() : temporaryFilePath.substr(0, delimiter + 1);
    return folder + projectId + ".bmp";
}

bool SaveProductImage(const std::string& path, const std::string& base64)
{
    QByteArray bytes =
        QByteArray::fromBase64(QByteArray::fromRawData(base64.data(), static_cast<qsizetype>(base64.size())));
    if (path.empty()) {
        return false;
    }
    QImage picture;
    {
        QBuffer source(&bytes);
        QImageReader reader(&source);
        if (!reader.read(&picture)) {
            throw VarnoError("L'image du produit est illisible : " + reader.errorString().toStdString() + ".");
        }
    }
    bytes.clear();
    if (picture.hasAlphaChannel()) {
        QImage opaque(picture.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter(&opaque).drawImage(0, 0, picture);
        picture = std::move(opaque);
    }

    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "BMP") || !file.commit()) {
        throw VarnoError("Impossible d'écrire l'image du produit « " + path + " » : " + file.errorString().toStdString() +
                         ".");
    }
    return true;
}

} // namespace varno
