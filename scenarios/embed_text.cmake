# Writes a C++ source whose function FUNCTION (namespace scenarios) returns
# the bytes of INPUT as a std::string_view. Run with cmake -P at build time,
# so the program always carries the file as it stands.
#   cmake -DINPUT=file -DOUTPUT=file.cpp -DFUNCTION=name -P embed_text.cmake

file(READ "${INPUT}" bytes HEX)
string(LENGTH "${bytes}" hex_length)
math(EXPR size "${hex_length} / 2")
# Sixteen bytes to a line, each as a character literal.
string(REPEAT "[0-9a-f][0-9a-f]" 16 line_pattern)
string(REGEX REPLACE "(${line_pattern})" "\\1\n    " bytes "${bytes}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)

file(WRITE "${OUTPUT}.tmp"
"// Generated from ${name} at build time; edit ${name}, not this file.
#include <string_view>

namespace scenarios {

namespace {
constexpr char text[${size} + 1] = {
    ${bytes}'\\0'};
} // namespace

std::string_view ${FUNCTION}() { return std::string_view(text, ${size}); }

} // namespace scenarios
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
