#pragma once
// The bytes of the XML files the results keep (the marathon file, the results files) and their
// trees. A file is read in the encoding its declaration names and written back in the same one,
// so that a save never changes its text: a file declared ISO-8859-1 stays ISO-8859-1, one in
// ISO-8859-15 keeps its euro signs, a UTF-8 file stays UTF-8.
#include <pugixml.hpp>

#include <string>
#include <string_view>

namespace wk {

// The tree of the bytes, line breaks between elements kept as they are (CR LF included). False,
// with doc empty and problem saying why, when they are not XML, are in an encoding the program
// does not read, or hold what could not be written back in their encoding (a save would leave a
// file that does not load again).
bool Load_xml_text(pugi::xml_document& doc, std::string_view bytes, std::string& problem);
// The same from the file at path.
bool Load_xml_file(pugi::xml_document& doc, const std::string& path, std::string& problem);

// The document's bytes in the encoding its declaration names (UTF-8 without one), each top-level
// node followed by separator. Element text and attribute values take character references for
// characters the encoding lacks; a name, comment or CDATA section holding one cannot be written:
// "" with problem set.
std::string Xml_file_text(const pugi::xml_document& doc, std::string_view separator, std::string& problem);

// Makes the text the element's whole content. Whatever stood there goes, a CDATA section too: one
// cannot hold every text ("]]>", a character the file's encoding lacks).
void Set_text(pugi::xml_node element, const std::string& text);

} // namespace wk
