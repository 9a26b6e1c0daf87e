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

#include <cstdio> // before jpeglib.h, which uses FILE

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <set>
#include <string_view>
#include <vector>

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

// The BMP that Qt writes for an opaque 32-bit picture: the file and information headers, then 24 bits a
// pixel, blue first, the rows bottom up, each padded with zeros to a multiple of 4 bytes.
constexpr qint64 kBmpHeaderBytes = 54;
constexpr int kDefaultDotsPerMeter = 2834; // 72 dpi, as Qt writes for a picture without one

qint64 bmpRowBytes(int width)
{
    return (qint64{width} * 3 + 3) & ~qint64{3};
}

bool writeBmpHeader(QIODevice& file, QSize size, int dotsPerMeterX, int dotsPerMeterY)
{
    const auto imageBytes = static_cast<quint32>(bmpRowBytes(size.width()) * size.height());
    std::array<char, kBmpHeaderBytes> header{'B', 'M'};
    const auto put = [&header](std::size_t at, auto value) { qToLittleEndian(value, header.data() + at); };
    put(2, static_cast<quint32>(kBmpHeaderBytes) + imageBytes);
    put(10, static_cast<quint32>(kBmpHeaderBytes));
    put(14, quint32{40}); // the information header's size
    put(18, static_cast<qint32>(size.width()));
    put(22, static_cast<qint32>(size.height())); // positive: bottom up
    put(26, quint16{1});                         // planes
    put(28, quint16{24});                        // bits a pixel
    put(34, imageBytes);
    put(38, static_cast<qint32>(dotsPerMeterX != 0 ? dotsPerMeterX : kDefaultDotsPerMeter));
    put(42, static_cast<qint32>(dotsPerMeterY != 0 ? dotsPerMeterY : kDefaultDotsPerMeter));
    return file.write(header.data(), header.size()) == kBmpHeaderBytes;
}

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

// Thrown from inside libjpeg, whose error handler must not return: its C frames carry unwind tables
// and hold nothing that needs releasing, and the decompressor is destroyed by its owner.
struct JpegDataError {};

// libjpeg-turbo's decompressor over a picture's bytes, giving its rows as the BMP stores them (blue,
// green, red) with Qt's settings for a picture read at its default quality (the accurate DCT, fancy
// upsampling: libjpeg's defaults), so they are the pixels Qt decodes. Warnings, such as a file cut
// short that ends in grey, go on as they do in Qt.
class JpegRows {
public:
    explicit JpegRows(const QByteArray& bytes)
    {
        info_.err = jpeg_std_error(&errors_);
        errors_.error_exit = [](j_common_ptr) { throw JpegDataError{}; };
        errors_.output_message = [](j_common_ptr) {};
        jpeg_create_decompress(&info_);
        jpeg_mem_src(&info_, reinterpret_cast<const unsigned char*>(bytes.constData()),
                     static_cast<unsigned long>(bytes.size()));
    }
    JpegRows(const JpegRows&) = delete;
    JpegRows& operator=(const JpegRows&) = delete;
    ~JpegRows() { jpeg_destroy_decompress(&info_); }

    // Reads the header; false, the picture then left to Qt, for any but three colour components (Qt
    // turns CMYK and grey pictures into other pixels).
    bool start()
    {
        jpeg_read_header(&info_, TRUE);
        if (info_.num_components != 3) {
            return false;
        }
        info_.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&info_);
        return true;
    }
    QSize size() const { return {static_cast<int>(info_.output_width), static_cast<int>(info_.output_height)}; }
    // As Qt reads the JFIF density: per inch (1) or per centimetre (2); 0 when none.
    int dotsPerMeter(UINT16 density) const
    {
        return info_.density_unit == 1   ? static_cast<int>(100. * density / 2.54)
               : info_.density_unit == 2 ? static_cast<int>(100. * density)
                                         : 0;
    }
    int dotsPerMeterX() const { return dotsPerMeter(info_.X_density); }
    int dotsPerMeterY() const { return dotsPerMeter(info_.Y_density); }
    int nextRow() const { return static_cast<int>(info_.output_scanline); }
    void read(unsigned char* row) { jpeg_read_scanlines(&info_, &row, 1); }
    void finish() { jpeg_finish_decompress(&info_); }

private:
    jpeg_error_mgr errors_{};
    jpeg_decompress_struct info_{};
};

// An opaque three-component JPEG decoded a row at a time straight into the BMP's rows: the bytes Qt
// writes for the whole picture, without holding it. The rows come top down and the file stores them
// bottom up: each band of rows is written at its place, one band held at a time. Nothing when the
// picture is for Qt to decode (not three components).
std::optional<PendingFile> savedJpeg(const std::filesystem::path& path, const QByteArray& bytes, long long bandBytes)
{
    JpegRows jpeg(bytes);
    bool unreadable = false;
    try {
        if (!jpeg.start()) {
            return std::nullopt;
        }
    } catch (const JpegDataError&) {
        throw unreadablePicture(QImageReader::InvalidDataError);
    }
    const QSize size = jpeg.size();
    const qint64 stride = bmpRowBytes(size.width());
    const int bandRows = static_cast<int>(std::clamp<long long>(bandBytes / stride, 1, size.height()));
    std::vector<unsigned char> band(static_cast<std::size_t>(stride * bandRows)); // the padding stays zero
    PendingFile picture(path);
    const auto failure = picture.fill([&](QIODevice& file) {
        if (!writeBmpHeader(file, size, jpeg.dotsPerMeterX(), jpeg.dotsPerMeterY())) {
            return false;
        }
        try {
            while (jpeg.nextRow() < size.height()) {
                const int first = jpeg.nextRow();
                const int rows = std::min(bandRows, size.height() - first);
                for (int row = rows - 1; row >= 0; --row) { // the band bottom up, as the file holds it
                    jpeg.read(band.data() + row * stride);
                }
                const qint64 length = rows * stride;
                if (!file.seek(kBmpHeaderBytes + (size.height() - first - rows) * stride) ||
                    file.write(reinterpret_cast<const char*>(band.data()), length) != length) {
                    return false;
                }
            }
            jpeg.finish();
        } catch (const JpegDataError&) {
            unreadable = true;
            return false;
        }
        return true;
    });
    if (unreadable) {
        throw unreadablePicture(QImageReader::InvalidDataError);
    }
    if (failure) {
        throw pictureNotWritten(path, *failure);
    }
    return picture;
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

std::optional<PendingFile> saveProductImage(const std::filesystem::path& path, const std::string& base64,
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
        // A JPEG whose orientation mark would have Qt turn it is left to Qt.
        if (reader.format() == "jpeg" && reader.transformation() == QImageIOHandler::TransformationNone) {
            if (std::optional<PendingFile> written = savedJpeg(path, bytes, bandBytes)) {
                return written;
            }
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
