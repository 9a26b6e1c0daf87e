#pragma once

#include <filesystem>
#include <string>

namespace varno {

// Where the product's picture goes: beside the temporary file, named after the quotation record. The
// record identifier comes from a server, so it must be a plain file name (no folder, no "..", nothing
// Windows forbids in names, no device name such as "CON" or "COM1"); otherwise VarnoError and nothing is written.
std::filesystem::path productImagePath(const std::filesystem::path& temporaryFilePath, const std::string& projectId);

// Past this size decoded (4 bytes a pixel), an opaque picture whose format can be decoded a band of rows
// at a time (JPEG) is decoded and written in bands of at most this size (two for a 24-megapixel
// photograph): never held whole, it costs less than 1.5 times the BMP it becomes instead of twice that.
// Each band's decoding reads the picture again from its top: more bands would cost more time.
inline constexpr long long kPictureBandBytes = 48LL << 20;

// Decodes the Base64 picture (BMP, PNG, JPEG, ... recognised from its bytes) and saves it as a BMP of
// the same width and height, transparent parts on white: the bytes Qt writes for the decoded picture.
// The file is written whole or not at all, and only once the picture has been decoded. Returns false,
// writing nothing, for an empty path. Throws VarnoError when the picture is unreadable or the file
// cannot be written.
bool SaveProductImage(const std::filesystem::path& path, const std::string& base64,
                      long long bandBytes = kPictureBandBytes);

} // namespace varno
