#pragma once

#include <pugixml.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace varno {

// Parses an XML text that is already UTF-8 (whatever its declaration says), keeping its declaration,
// comments, processing instructions and document type.
// Throws VarnoError naming what was read when it is not well-formed.
pugi::xml_document parseXml(std::string_view utf8, std::string_view what);

// Why a strict XML reader refuses the bytes (it reads their declared encoding), or nothing when it
// reads them whole. pugixml is lenient: this is the check for what the host will read.
std::optional<std::string> xmlReadingFault(std::string_view bytes);

// The text of a child element; empty when the parent or the child is absent.
std::string elementText(const pugi::xml_node& parent, const char* name);

} // namespace varno
