#include "ui/BrandLogos.h"

#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

namespace varno {
namespace {

QLabel* makeLogo(QWidget* window, const char* name, const QRect& box)
{
    auto* logo = new QLabel(window);
    logo->setObjectName(name);
    logo->setGeometry(box);
    logo->setScaledContents(true);
    logo->setAlignment(Qt::AlignCenter);
    logo->hide();
    return logo;
}

} // namespace

BrandLogos::BrandLogos(QWidget* window, const LogoBoxes& boxes)
    : imgFerd(makeLogo(window, "imgFerd", boxes.ferd)), imgOlka(makeLogo(window, "imgOlka", boxes.olka)),
      imgTamrix(makeLogo(window, "imgTamrix", boxes.tamrix))
{
}

QLabel* BrandLogos::logoFor(const std::string& brand) const
{
    if (brand == "ferd") {
        return imgFerd;
    }
    if (brand == "olka") {
        return imgOlka;
    }
    if (brand == "tamrix") {
        return imgTamrix;
    }
    return nullptr;
}

bool presentBrand(QWidget& window, const BrandLogos& logos, const std::string& brand, const char* captionSuffix)
{
    QLabel* logo = logos.logoFor(brand);
    if (logo == nullptr) {
        return false;
    }
    window.setWindowTitle(QString::fromStdString("Korvalis - Configurateur " + brand + captionSuffix));
    // Only the logo shown is decoded, at the size the screen needs: the twice-as-large one costs four
    // times as much, and comes before the first thing the window says. PNG is read by Qt itself: a
    // reader left to detect the format would load every image plugin first.
    const std::string size = window.devicePixelRatioF() > 1.0 ? "@2x" : "";
    QImageReader reader(QString::fromStdString(":/logos/" + brand + size + ".png"), "png");
    reader.setAutoDetectImageFormat(false);
    logo->setPixmap(QPixmap::fromImage(reader.read()));
    logo->show();
    return true;
}

} // namespace varno
