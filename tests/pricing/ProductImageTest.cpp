#include "pricing/ProductImage.h"
#include "foundation/Error.h"
#include "foundation/FilePath.h"
#include "tests/support/Errors.h"
#include "tests/support/Pictures.h"
#include "tests/support/Recorders.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

namespace varno {
namespace {

using test::encodedPicture;

// Writes the picture and puts it in place, as a pricing run does once its document is written.
void savePicture(const std::filesystem::path& path, const std::string& base64, long long bandBytes = kPictureBandBytes)
{
    std::optional<PendingFile> picture = saveProductImage(path, base64, bandBytes);
    ASSERT_TRUE(picture);
    commitProductImage(*picture);
}

class ProductImageTest : public testing::Test {
protected:
    QTemporaryDir folder;
    std::string path(const char* name) const { return QDir(folder.path()).filePath(name).toStdString(); }
    QStringList entries() const { return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden); }
};

TEST_F(ProductImageTest, EachSourceFormatBecomesABmpOfTheSameSize)
{
    for (const char* format : {"PNG", "JPEG", "BMP"}) {
        const std::string target = path("Q-42.bmp");
        savePicture(pathFromUtf8(target), encodedPicture(format));
        QImageReader reader(QString::fromStdString(target));
        EXPECT_EQ(reader.format(), "bmp") << format;
        const QImage written = reader.read();
        EXPECT_EQ(written.size(), QSize(37, 23)) << format;
        EXPECT_EQ(QColor(written.pixel(2, 2)).blue() > 100, true) << format; // drawn unscaled at the top left
    }
    EXPECT_EQ(entries(), QStringList{"Q-42.bmp"});
}

// A large opaque JPEG is decoded and written in bands (here a few hundred bytes each): the file is the
// BMP Qt writes for the whole picture, whatever the rows' padding, the band count or the resolution.
TEST_F(ProductImageTest, APictureWrittenInBandsIsTheBmpOfTheWholePicture)
{
    struct Case {
        QSize size;
        int dotsPerMeter; // 0: as Qt leaves it
        long long bandBytes;
        bool progressive = false;
        QImage::Format format = QImage::Format_RGB32; // grey: left to Qt
    };
    for (const Case& c : {Case{{40, 30}, 0, 1000}, Case{{37, 23}, 3937, 350}, Case{{38, 17}, 0, 600},
                          Case{{39, 50}, 2835, 4000}, Case{{41, 7}, 0, 1}, Case{{43, 29}, 0, 500, true},
                          Case{{36, 21}, 0, 300, false, QImage::Format_Grayscale8}}) {
        QImage drawn(c.size, QImage::Format_RGB32);
        for (int y = 0; y < c.size.height(); ++y) {
            for (int x = 0; x < c.size.width(); ++x) {
                drawn.setPixel(x, y, qRgb(x * 6, y * 5, (x * y) % 256));
            }
        }
        if (c.dotsPerMeter != 0) {
            drawn.setDotsPerMeterX(c.dotsPerMeter);
            drawn.setDotsPerMeterY(c.dotsPerMeter);
        }
        QByteArray jpeg;
        QBuffer jpegBuffer(&jpeg);
        QImageWriter writer(&jpegBuffer, "JPEG");
        writer.setProgressiveScanWrite(c.progressive);
        ASSERT_TRUE(jpegBuffer.open(QIODevice::WriteOnly) && writer.write(drawn.convertToFormat(c.format)));
        QByteArray expected;
        QBuffer bmpBuffer(&expected);
        ASSERT_TRUE(bmpBuffer.open(QIODevice::WriteOnly) && QImage::fromData(jpeg).save(&bmpBuffer, "BMP"));

        const std::string target = path("Q-42.bmp");
        savePicture(pathFromUtf8(target), jpeg.toBase64().toStdString(), c.bandBytes);
        EXPECT_EQ(test::readFileBytes(target), expected.toStdString()) << c.size.width() << "x" << c.size.height();

        // Cut short, it is told or written as when decoded whole.
        const std::string cut = jpeg.left(jpeg.size() * 2 / 3).toBase64().toStdString();
        const auto outcome = [&](long long bandBytes) {
            try {
                savePicture(pathFromUtf8(target), cut, bandBytes);
                return test::readFileBytes(target);
            } catch (const VarnoError& error) {
                return std::string(error.what());
            }
        };
        EXPECT_EQ(outcome(c.bandBytes), outcome(kPictureBandBytes));
    }
    EXPECT_EQ(entries(), QStringList{"Q-42.bmp"});
}

TEST_F(ProductImageTest, TransparentPartsBecomeWhite)
{
    const std::string target = path("p.bmp");
    savePicture(pathFromUtf8(target), encodedPicture("PNG", QSize(10, 10), true));
    EXPECT_EQ(QImage(QString::fromStdString(target)).pixel(8, 8), qRgb(255, 255, 255));
}

TEST_F(ProductImageTest, AnUnreadablePictureWritesNothingAndKeepsAnOldFile)
{
    const std::string target = path("Q-42.bmp");
    test::writeFileBytes(target, "old picture");
    const std::vector<std::pair<std::string, const char*>> cases = {
        {QByteArray("not a picture at all").toBase64().toStdString(), "format d'image non reconnu"},
        {"@@@@", "format d'image non reconnu"},
        {encodedPicture("PNG").substr(0, 60), "données d'image invalides ou incomplètes"}};
    for (const auto& [base64, reason] : cases) {
        const std::string& picture = base64; // a lambda cannot capture a structured binding in clang 14
        // In French, not Qt's English.
        EXPECT_EQ(test::varnoErrorOf([&] { savePicture(pathFromUtf8(target), picture); }),
                  std::string("L'image du produit est illisible : ") + reason + ".");
    }
    EXPECT_EQ(test::readFileBytes(target), "old picture");
    EXPECT_EQ(entries(), QStringList{"Q-42.bmp"});
}

#ifndef _WIN32
TEST_F(ProductImageTest, APictureTheDiskRefusesKeepsTheOldFile)
{
    const std::string target = path("Q-42.bmp");
    test::writeFileBytes(target, "old picture");
    EXPECT_THAT(test::varnoErrorOf([&] {
                    const test::FileSizeLimit limit(100);
                    savePicture(pathFromUtf8(target), encodedPicture("PNG"));
                }),
                testing::StartsWith("Impossible d'écrire l'image du produit"));
    EXPECT_EQ(test::readFileBytes(target), "old picture");
    EXPECT_EQ(entries(), QStringList{"Q-42.bmp"});
}
#endif

TEST_F(ProductImageTest, AnExistingFileIsReplaced)
{
    const std::string target = path("Q-42.bmp");
    test::writeFileBytes(target, std::string(100000, 'x'));
    savePicture(pathFromUtf8(target), encodedPicture("PNG"));
    EXPECT_EQ(QImage(QString::fromStdString(target)).size(), QSize(37, 23));
}

// A link at the picture's name, leading to a file or nowhere yet: refused, and nothing written anywhere.
TEST_F(ProductImageTest, ALinkAtThePicturesNameIsRefused)
{
    const std::string elsewhere = path("elsewhere.txt");
    for (const bool targetExists : {true, false}) {
        SCOPED_TRACE(targetExists);
        std::filesystem::remove(pathFromUtf8(elsewhere));
        std::filesystem::remove(pathFromUtf8(path("Q-42.bmp")));
        if (targetExists) {
            test::writeFileBytes(elsewhere, "the person's file");
        }
        std::error_code error;
        std::filesystem::create_symlink(pathFromUtf8(elsewhere), pathFromUtf8(path("Q-42.bmp")), error);
        if (error) {
            GTEST_SKIP() << "no symbolic link here: " << error.message();
        }
        EXPECT_EQ(test::varnoErrorOf([&] { savePicture(pathFromUtf8(path("Q-42.bmp")), encodedPicture("PNG")); }),
                  "Impossible d'écrire l'image du produit « " + path("Q-42.bmp") +
                      " » : ce nom est un lien vers un autre emplacement.");
        EXPECT_EQ(QFileInfo(QString::fromStdString(elsewhere)).exists(), targetExists);
        if (targetExists) {
            EXPECT_EQ(QFileInfo(QString::fromStdString(elsewhere)).size(), 17);
        }
    }
}

// A link planted at the name while the picture is being written, again and again: the write may be
// refused or replace the link, but never goes through it. Only writes that passed the link check and saw
// a link land while they ran count as raced.
TEST_F(ProductImageTest, ALinkRacingTheWriteIsNeverFollowed)
{
    const std::filesystem::path elsewhere = pathFromUtf8(path("elsewhere.txt"));
    const std::filesystem::path target = pathFromUtf8(path("Q-42.bmp"));
    test::writeFileBytes(path("elsewhere.txt"), "the person's file");
    std::atomic<bool> done = false;
    std::atomic<bool> noLinks = false;
    std::atomic<int> planted = 0;
    std::thread planter([&] {
        while (!done && !noLinks) {
            std::error_code error;
            std::filesystem::remove(target, error);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            std::filesystem::create_symlink(elsewhere, target, error);
            noLinks = error && error != std::errc::file_exists; // a picture may have just been renamed there
            planted += error ? 0 : 1;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    const std::string picture = encodedPicture("PNG", QSize(300, 300));
    int raced = 0;
    for (int attempt = 0; attempt < 200 && !noLinks && raced < 20; ++attempt) {
        const int plantedBefore = planted;
        try {
            savePicture(target, picture);
            raced += planted > plantedBefore ? 1 : 0;
        } catch (const VarnoError&) { // the link seen before the write
        }
    }
    done = true;
    planter.join();
    if (noLinks || raced == 0) {
        GTEST_SKIP() << (noLinks ? "no symbolic link here" : "no link landed during a write");
    }
    EXPECT_EQ(test::readFileBytes(path("elsewhere.txt")), "the person's file");
}

TEST_F(ProductImageTest, AnEmptyPathWritesNothing)
{
    EXPECT_FALSE(saveProductImage("", encodedPicture("PNG")));
}

TEST_F(ProductImageTest, AFolderThatDoesNotExistIsAnError)
{
    EXPECT_THROW(savePicture(pathFromUtf8(path("missing/Q-42.bmp")), encodedPicture("PNG")), VarnoError);
}

TEST(ProductImagePath, BesideTheTemporaryFile)
{
    const auto imagePath = [](const char* temporaryFile, const char* projectId) {
        return pathToUtf8(productImagePath(pathFromUtf8(temporaryFile), projectId));
    };
#ifdef _WIN32
    EXPECT_EQ(imagePath("C:\\Echange\\devis.xml", "Q-42"), "C:\\Echange\\Q-42.bmp");
    EXPECT_EQ(imagePath("C:\\Users\\Hélène\\devis.xml", "12,13 é"), "C:\\Users\\Hélène\\12,13 é.bmp");
#else
    EXPECT_EQ(imagePath("/srv/echange/devis.xml", "Q-42"), "/srv/echange/Q-42.bmp");
    EXPECT_EQ(imagePath("/srv/échange/devis.xml", "12,13 é"), "/srv/échange/12,13 é.bmp");
#endif
    EXPECT_EQ(imagePath("devis.xml", "Q-42"), "Q-42.bmp"); // the current folder, not the root
    for (const char* likeADevice : {"CONSOLE", "COM10", "NULL", "LPT", "AUX-1"}) {
        EXPECT_EQ(imagePath("devis.xml", likeADevice), std::string(likeADevice) + ".bmp");
    }
}

TEST(ProductImagePath, RefusesAnIdentifierThatIsNotAPlainFileName)
{
    for (const char* unsafe :
         {"../evil", "..",   "a/b", "a\\b", "C:x", "a*b",   "a?b",  "a|b",  "a<b",  "a>b",       "a\"b",   "x.",
          "x ",      "a\tb", "..",  "CON",  "nul", "Aux.x", "PRN ", "com1", "LPT9", "COM\u00B9", "conout$"}) {
        EXPECT_THAT(test::varnoErrorOf([&] { productImagePath("/srv/echange/devis.xml", unsafe); }),
                    testing::HasSubstr(unsafe));
    }
}

} // namespace
} // namespace varno
