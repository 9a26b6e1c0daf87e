#include "pricing/ProductImage.h"

#include "foundation/Error.h"
#include "foundation/FilePath.h"
#include "foundation/WholeFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
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

VarnoError unreadablePicture(QImageReader::ImageReaderError error)
{
    return VarnoError("L'image du produit est illisible : " + readingFailure(error) + ".");
}

// The BMP that Qt writes for an opaque 32-bit picture, written here for one decoded a band at a time:
// the file and information headers, then 24 bits a pixel, blue first, the rows bottom up, each padded
// with zeros to a multiple of 4 bytes.
class BmpRows {
public:
    BmpRows(QIODevice& file, QSize size, int dotsPerMeterX, int dotsPerMeterY) : file_(file)
    {
        const quint32 imageBytes = ((static_cast<quint32>(size.width()) * 3 + 3) & ~3U) * size.height();
        std::array<char, kHeaderBytes> header{'B', 'M'};
        const auto put = [&header](std::size_t at, auto value) { qToLittleEndian(value, header.data() + at); };
        put(2, static_cast<quint32>(kHeaderBytes) + imageBytes);
        put(10, static_cast<quint32>(kHeaderBytes));
        put(14, quint32{40}); // the information header's size
        put(18, static_cast<qint32>(size.width()));
        put(22, static_cast<qint32>(size.height())); // positive: bottom up
        put(26, quint16{1});                         // planes
        put(28, quint16{24});                        // bits a pixel
        put(34, imageBytes);
        put(38, static_cast<qint32>(dotsPerMeterX != 0 ? dotsPerMeterX : kDefaultDotsPerMeter));
        put(42, static_cast<qint32>(dotsPerMeterY != 0 ? dotsPerMeterY : kDefaultDotsPerMeter));
        written_ = file_.write(header.data(), header.size()) == static_cast<qint64>(header.size());
    }

    // The band's rows, its last first, converted where they lie (its 32-bit pixels become the 24-bit rows
    // of the file, already padded to 4 bytes); false when the file refuses them.
    bool write(QImage& band)
    {
        band.convertTo(QImage::Format_BGR888);
        const qsizetype used = static_cast<qsizetype>(band.width()) * 3;
        for (int y = band.height() - 1; y >= 0 && written_; --y) {
            uchar* row = band.scanLine(y);
            std::fill(row + used, row + band.bytesPerLine(), uchar{0});
            written_ = file_.write(reinterpret_cast<const char*>(row), band.bytesPerLine()) == band.bytesPerLine();
        }
        return written_;
    }

private:
    static constexpr std::size_t kHeaderBytes = 54;
    static constexpr int kDefaultDotsPerMeter = 2834; // 72 dpi, as Qt writes for a picture without one

    QIODevice& file_;
    bool written_;
};

VarnoError pictureNotWritten(const std::filesystem::path& path, const QString& failure)
{
    return VarnoError("Impossible d'écrire l'image du produit « " + pathToUtf8(path) + " » : " + failure.toStdString() +
                      ".");
}

// Writes the picture's file through fill beside its name, whole or not at all; a link at its name is
// replaced, never followed, when it is put in place.
PendingFile writtenPicture(const std::filesystem::path& path, const std::function<bool(QIODevice&)>& fill)
{
    PendingFile picture(path);
    if (const auto failure = picture.fill(fill)) {
        throw pictureNotWritten(path, *failure);
    }
    return picture;
}

// Rows [band.top(), band.bottom()] of the opaque picture, decoded from its bytes; null when unreadable.
QImage decodedBand(QByteArray& bytes, const QRect& band, QImageReader::ImageReaderError& error)
{
    QBuffer source(&bytes);
    QImageReader reader(&source);
    reader.setClipRect(band);
    QImage rows;
    if (!reader.read(&rows)) {
        error = reader.error();
        return {};
    }
    if (rows.size() != band.size() || rows.format() != QImage::Format_RGB32) {
        error = QImageReader::InvalidDataError;
        return {};
    }
    return rows;
}

// A large opaque picture, decoded and written a band of rows at a time, the bottom band first as the
// file stores it; one band is held at a time. Decoding the bottom band reads the picture through, so
// one that cannot be read is told before the file is touched.
PendingFile saveInBands(const std::filesystem::path& path, QByteArray& bytes, QSize size, int atLeast)
{
    const int bandHeight = (size.height() + atLeast - 1) / atLeast;
    const int bands = (size.height() + bandHeight - 1) / bandHeight;
    const auto band = [&](int index) {
        const int top = index * bandHeight;
        return QRect(0, top, size.width(), std::min(bandHeight, size.height() - top));
    };
    QImageReader::ImageReaderError error = QImageReader::UnknownError;
    QImage rows = decodedBand(bytes, band(bands - 1), error);
    if (rows.isNull()) {
        throw unreadablePicture(error);
    }
    return writtenPicture(path, [&](QIODevice& file) {
        BmpRows bmp(file, size, rows.dotsPerMeterX(), rows.dotsPerMeterY());
        for (int index = bands - 1; index >= 0; --index) {
            if (index < bands - 1) {
                rows = QImage(); // the band written is let go before the next is decoded
                rows = decodedBand(bytes, band(index), error);
            }
            if (rows.isNull() || !bmp.write(rows)) {
                return false;
            }
        }
        return true;
    });
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

std::optional<PendingFile> SaveProductImage(const std::filesystem::path& path, const std::string& base64,
                                            long long bandBytes)
{
    QByteArray bytes =
        QByteArray::fromBase64(QByteArray::fromRawData(base64.data(), static_cast<qsizetype>(base64.size())));
    if (path.empty()) {
        return std::nullopt;
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
        const QSize size = reader.size();
        const long long decodedBytes = 4LL * size.width() * size.height();
        if (decodedBytes > bandBytes && reader.imageFormat() == QImage::Format_RGB32 &&
            reader.supportsOption(QImageIOHandler::ClipRect)) {
            const long long bands = (decodedBytes + bandBytes - 1) / bandBytes;
            return saveInBands(path, bytes, size, static_cast<int>(std::min<long long>(bands, size.height())));
        }
        if (!reader.read(&picture)) {
            throw unreadablePicture(reader.error());
        }
    }
    bytes.clear();
    if (picture.hasAlphaChannel()) {
        QImage opaque(picture.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter(&opaque).drawImage(0, 0, picture);
        picture = std::move(opaque);
    }

    return writtenPicture(path, [&picture](QIODevice& file) { return picture.save(&file, "BMP"); });
}

void commitProductImage(PendingFile& picture)
{
    if (const auto failure = picture.commit()) {
        throw pictureNotWritten(picture.target(), *failure);
    }
}

} // namespace varno
