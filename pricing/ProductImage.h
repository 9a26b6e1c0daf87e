#pragma once

#include "foundation/WholeFile.h"

#include <filesystem>
#include <optional>
#include <string>

namespace varno {

// Where the product's picture goes: beside the temporary file, named after the quotation record. The
// record identifier comes from a server, so it must be a plain file name (no folder, no "..", nothing
// Windows forbids in names, no device name such as "CON" or "COM1"); otherwise VarnoError and nothing is written.
std::filesystem::path productImagePath(const std::filesystem::path& temporaryFilePath, const std::string& projectId);

// A JPEG of three colour components (a photograph) is decoded a row at a time and written in bands of
// BMP rows of at most this size: the picture is never held whole, and the band keeps writes large.
inline constexpr long long kPictureBandBytes = 4LL << 20;

// Decodes the Base64 picture (BMP, PNG, JPEG, ... recognised from its bytes) and writes it as a BMP of
// the same width and height, transparent parts on white (the bytes Qt writes for the decoded picture),
// beside `path`: commitProductImage puts it in place, and it is removed if dropped uncommitted, so the
// picture follows the document that names it. Nothing is written at `path` before the picture has been
// decoded, nor for an empty path (nothing returned). Throws VarnoError when the picture is unreadable or the
// file cannot be written, or replaced (a read-only picture there).
std::optional<PendingFile> saveProductImage(const std::filesystem::path& path, const std::string& base64,
                                            long long bandBytes = kPictureBandBytes);

// Puts a written picture in place (a link at its name is replaced, never followed). Throws VarnoError.
void commitProductImage(PendingFile& picture);

} // namespace varno
