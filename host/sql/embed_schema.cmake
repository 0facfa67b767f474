# Writes OUTPUT, a C++ source that defines host::sql::schemaText() as the
# bytes of INPUT. Bytes are written as numbers so that no content of the
# script can end a literal early.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line_of_bytes)
string(REGEX REPLACE "(${line_of_bytes})" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUTPUT}
"// Generated from ${INPUT}; do not edit.
#include \"sql/schema.h\"

namespace host::sql {

namespace {

const unsigned char schemaBytes[] = {
    ${bytes}0x00};

} // namespace

std::string_view schemaText() {
    return {reinterpret_cast<const char*>(schemaBytes), ${byte_count}};
}

} // namespace host::sql
")
