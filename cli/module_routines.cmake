# The names of the module's routines, as its trace points carry them, so that
# --trace can refuse a name that no routine has. The list is read from the
# module's sources at build time: the routine-opening macros are its one
# source of truth.
#
# Run as a script (cmake -P) with OUTPUT and SOURCES (a ;-list of files).
set(names "")
foreach(source ${SOURCES})
  file(STRINGS "${source}" lines REGEX "ZRX_(ROUTINE|ROUTINE_VOID|ENTRY)\\([A-Za-z_0-9]+, *\"")
  foreach(line ${lines})
    string(REGEX MATCH "ZRX_(ROUTINE|ROUTINE_VOID|ENTRY)\\([A-Za-z_0-9]+, *\"([^\"]+)\"" found "${line}")
    if(found)
      list(APPEND names "${CMAKE_MATCH_2}")
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)

set(entries "")
foreach(name ${names})
  string(APPEND entries "    \"${name}\",\n")
endforeach()
file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from the module's sources; do not edit.
#include \"cli/module_routines.h\"

namespace cli {

const std::vector<std::string_view>& moduleRoutineNames() {
    static const std::vector<std::string_view> names = {
${entries}    };
    return names;
}

} // namespace cli
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
