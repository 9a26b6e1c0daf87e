#pragma once

#include <QRect>

#include <string>

class QLabel;
class QWidget;

namespace varno {

// Where each window places the three logos (they differ by a pixel or two from window to window).
struct LogoBoxes {
    QRect ferd;
    QRect olka;
    QRect tamrix;
};

// The three brand logos of a window, hidden and without picture until a brand is presented.
class BrandLogos {
public:
    BrandLogos(QWidget* window, const LogoBoxes& boxes);

    QLabel* imgFerd;
    QLabel* imgOlka;
    QLabel* imgTamrix;

    // The logo of a brand key (exact, case-sensitive), or nullptr for any other text.
    QLabel* logoFor(const std::string& brand) const;
};

// Presents a known brand: caption "Korvalis - Configurateur <brand><captionSuffix>" and its logo
// (":/logos/<brand>.png") shown. Any other brand leaves the window as it is. Returns whether the brand
// was known.
bool presentBrand(QWidget& window, const BrandLogos& logos, const std::string& brand, const char* captionSuffix);

} // namespace varno
