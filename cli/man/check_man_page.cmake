# Formats the man page with every warning of groff turned on (through man,
# as a reader would see it) and fails on any warning or error.
#   cmake -DPAGE=mentrenq.1 -P check_man_page.cmake
cmake_minimum_required(VERSION 3.25)
find_program(MAN man)
if(NOT MAN)
  message(FATAL_ERROR "man is not installed (package man-db): the man page cannot be checked")
endif()
set(ENV{MANWIDTH} 80)
execute_process(COMMAND ${MAN} --warnings=w -E UTF-8 -l ${PAGE}
                OUTPUT_VARIABLE page ERROR_VARIABLE warnings RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "man --warnings on ${PAGE} (exit status ${rc}):\n${warnings}")
endif()
foreach(section NAME SYNOPSIS DESCRIPTION COLUMNS "EXIT STATUS" ENVIRONMENT FILES EXAMPLES)
  if(NOT page MATCHES "\n${section}\n")
    message(FATAL_ERROR "the man page has no section ${section}")
  endif()
endforeach()
message(STATUS "${PAGE}: no warnings")
