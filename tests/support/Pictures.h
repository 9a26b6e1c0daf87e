#pragma once

#include <QSize>

#include <string>

namespace varno::test {

// A picture with some detail (its top-left quarter dark blue on yellow, or on transparent), encoded in
// a format ("PNG", "JPEG", "BMP") and then in Base64, as a quotation record carries it.
std::string encodedPicture(const char* format, QSize size = QSize(37, 23), bool transparent = false);

} // namespace varno::test
