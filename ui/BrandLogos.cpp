#include "ui/BrandLogos.h"

#include <QLabel>
#include <QPixmap>
#include <QWidget>

namespace varno {
namespace {

QLabel* makeLogo(QWidget* window, const char* name, const char* resource, const QRect& box)
{
    auto* logo = new QLabel(window);
    logo->setObjectName(name);
    logo->setGeometry(box);
    logo->setPixmap(QPixmap(resource));
    logo->setScaledContents(true);
    logo->setAlignment(Qt::AlignCenter);
    logo->hide();
    return logo;
}

} // namespace

BrandLogos::BrandLogos(QWidget* window, const LogoBoxes& boxes)
    : imgFerd(makeLogo(window, "imgFerd", ":/logos/ferd.jpg", boxes.ferd)),
      imgOlka(makeLogo(window, "imgOlka", ":/logos/olka.png", boxes.olka)),
      imgTamrix(makeLogo(window, "imgTamrix", ":/logos/tamrix.jpg", boxes.tamrix))
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
    logo->show();
    return true;
}

} // namespace varno
