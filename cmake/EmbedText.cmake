# Compiling a text file into the program, so that a fresh build carries it
# without any file beside it.
#
# zrx_embed_text(<target> <input> <namespace> <function>) adds to <target> a
# source, generated at build time from <input>, that defines
#   std::string_view <namespace>::<function>();
# returning the file's bytes. The bytes are written as numbers, so no content
# of the file can end a literal early.

set(ZRX_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedText.cmake)

function(zrx_embed_text target input namespace function)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${function}.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output}
            -DNAMESPACE=${namespace} -DFUNCTION=${function}
            -P ${ZRX_EMBED_SCRIPT}
    DEPENDS ${input} ${ZRX_EMBED_SCRIPT}
    COMMENT "Compiling ${input} into the program"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()

# Run as a script (cmake -P): write OUTPUT from INPUT.
if(CMAKE_SCRIPT_MODE_FILE AND DEFINED INPUT)
  file(READ "${INPUT}" bytes HEX)
  string(LENGTH "${bytes}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REPEAT "[0-9a-f][0-9a-f]" 16 line_pattern)
  string(REGEX REPLACE "(${line_pattern})" "\\1\n    " bytes "${bytes}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
  get_filename_component(name "${INPUT}" NAME)
  file(WRITE "${OUTPUT}.tmp"
"// Generated from ${name} at build time; edit ${name}, not this file.
#include <string_view>

namespace ${NAMESPACE} {

namespace {
constexpr unsigned char bytes[${size} + 1] = {
    ${bytes}0x00};
} // namespace

std::string_view ${FUNCTION}() {
    return std::string_view(reinterpret_cast<const char*>(bytes), ${size});
}

} // namespace ${NAMESPACE}
")
  file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
  file(REMOVE "${OUTPUT}.tmp")
endif()
