// JSON through nlohmann-json for texts that may hold any bytes. Valid UTF-8
// passes through as it is; every other byte is written \u00XX (the byte
// read as Latin-1), so no byte is lost or replaced. nlohmann-json itself
// would refuse or replace such bytes, so they travel through the document
// as a marker character followed by two hex digits, which dumpJson turns
// into the escape.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace cli {

using Json = nlohmann::ordered_json;

// The length of the well-formed UTF-8 sequence at `at` (RFC 3629: no
// overlong forms, no surrogates, nothing above U+10FFFF), or 0.
size_t utf8SequenceLength(std::string_view s, size_t at);

// A string value for any bytes, for a document written with dumpJson.
Json jsonText(std::string_view bytes);

// The document indented by two blanks, ending with a newline.
std::string dumpJson(const Json& document);

} // namespace cli
