#pragma once

#include "sandbox/Catalogue.h"

#include <string>

namespace varno::sandbox {

// A drawing of the product in the brand's colours, its proportions those of the chosen size, as
// Base64 PNG.
std::string productPictureBase64(ProductKind kind, BrandColours colours, int widthMm, int heightMm);

} // namespace varno::sandbox
