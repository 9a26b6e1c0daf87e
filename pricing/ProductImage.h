#pragma once

#include <filesystem>
#include <string>

namespace varno {

// Where the product's picture goes: beside the temporary file, named after the quotation record. The
// record identifier comes from a server, so it must be a plain file name (no folder, no "..", nothing
// Windows forbids in names, no device name such as "CON" or "COM1"); otherwise VarnoError and nothing is written.
std::filesystem::path productImagePath(const std::filesystem::path& temporaryFilePath, const std::string& projectId);

// Decodes the Base64 picture (BMP, PNG, JPEG, ... recognised from its bytes) and saves it as a BMP of
// the same width and height, transparent parts on white. The file is written whole or not at all, and
// only once the picture has been decoded. Returns false, writing nothing, for an empty path. Throws
// VarnoError when the picture is unreadable or the file cannot be written.
bool SaveProductImage(const std::filesystem::path& path, const std::string& base64);

} // namespace varno
