#pragma once
// The client and patch catalogues: XML documents whose "archive" elements
// (and, in the patch catalogue, "CritFiles" elements) describe files of the
// client directory.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "platform/error.h"

namespace kestrow::update {

// A catalogue body that is not a well-formed XML document.
using platform::Error;
KESTROW_DECLARE_ERROR(EDOMParseError, Error);

// The body split into lines (CR LF, LF or CR end a line) and joined again with
// every line followed by CR LF; this is the text that gets parsed.
std::string JoinCatalogueLines(std::string_view body);

// Length of a UTF-8 text in UTF-16 code units (the "characters" the catalogue
// log lines report); a byte that is not valid UTF-8 counts as one.
std::size_t Utf16Length(std::string_view utf8);

// Parses UTF-8 text into doc; raises EDOMParseError when it is not a document.
void ParseCatalogue(pugi::xml_document& doc, std::string_view text);

// Every element below the document element whose name equals name without
// regard to letter case, depth first in document order (an element before its
// children). The document element itself is not examined.
std::vector<pugi::xml_node> FindElements(const pugi::xml_document& doc, std::string_view name);

// The attribute's text, the name compared without regard to letter case; the
// first match wins, and a missing attribute reads as empty.
std::string AttributeText(const pugi::xml_node& element, std::string_view name);

// A catalogue file name that does not name a file inside the game directory:
// empty, an absolute path, a leading '\' or '/', a ':' anywhere (drive letters, streams),
// a control character (U+0000-U+001F, U+007F; U+0006 is the line separator)
// or a ".." segment (also the dot-and-space forms Windows folds into "..").
bool IsUnsafeCatalogueName(std::string_view file_name);

}  // namespace kestrow::update
