# How the programs of the 32-bit x86 build run on this machine: directly,
# where the kernel runs 32-bit programs, or else through the user-mode
# emulator qemu-i386 (package qemu-user). The emulator then becomes
# CMAKE_CROSSCOMPILING_EMULATOR, which CMake puts in front of every test and
# of the test discovery; tests that start a built program themselves are
# given it at compile time (tests/cli).
#
# ZRX_I686_RUNNER chooses (cache variable, or the environment variable of the
# same name on the first configure):
#   auto       run a small program; use the emulator only when it cannot run
#   native     run directly
#   qemu-i386  or the path of an emulator: run through it
#
# Sets ZRX_I686_RUNNER_ERROR, when the programs run neither way, to one line
# that says why.

set(ZRX_I686_RUNNER "$ENV{ZRX_I686_RUNNER}" CACHE STRING
    "How 32-bit programs run: auto, native, qemu-i386 or the path of an emulator")
set(ZRX_I686_RUNNER_ERROR "")

# A C++ program that needs the same loader, C++ runtime and rpath as the
# tests, and says so only when all of them work.
set(zrx_probe_dir ${CMAKE_BINARY_DIR}/CMakeFiles/i686-probe)
file(WRITE ${zrx_probe_dir}/probe.cpp
  "#include <iostream>\n#include <string>\n"
  "int main() { std::string s(\"runs\"); std::cout << s << sizeof(void*) << '\\n'; }\n")
try_compile(zrx_probe_built ${zrx_probe_dir}/build ${zrx_probe_dir}/probe.cpp
            COPY_FILE ${zrx_probe_dir}/probe
            OUTPUT_VARIABLE zrx_probe_log)
if(NOT zrx_probe_built)
  set(ZRX_I686_RUNNER_ERROR
      "the i686 cross compiler cannot build a program (scripts/install-deps.sh installs g++-i686-linux-gnu)")
  return()
endif()

# Runs the probe, through `emulator` unless it is empty; `why` is empty when
# the probe ran and printed what it should.
function(zrx_run_probe emulator why)
  execute_process(COMMAND ${emulator} ${zrx_probe_dir}/probe
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
  if(rc STREQUAL "0" AND out STREQUAL "runs4")
    set(${why} "" PARENT_SCOPE)
  elseif(NOT rc MATCHES "^[0-9]+$")
    set(${why} "${rc}" PARENT_SCOPE)
  else()
    string(REGEX REPLACE "\n.*" "" err "${err}")
    if(NOT err STREQUAL "")
      set(err ": ${err}")
    endif()
    set(${why} "exit status ${rc}${err}" PARENT_SCOPE)
  endif()
endfunction()

set(zrx_choice "${ZRX_I686_RUNNER}")
if(zrx_choice STREQUAL "")
  set(zrx_choice auto)
endif()
set(zrx_runner ${zrx_choice})

if(zrx_runner STREQUAL "auto" OR zrx_runner STREQUAL "native")
  zrx_run_probe("" zrx_native_why)
  if(zrx_native_why STREQUAL "")
    message(STATUS "32-bit programs run natively (ZRX_I686_RUNNER=${zrx_runner})")
    return()
  endif()
  if(zrx_runner STREQUAL "native")
    set(ZRX_I686_RUNNER_ERROR
        "32-bit programs do not run natively here (${zrx_native_why}); try ZRX_I686_RUNNER=qemu-i386")
    return()
  endif()
  message(STATUS "32-bit programs do not run natively here (${zrx_native_why}): trying qemu-i386")
  set(zrx_runner qemu-i386)
  set(zrx_failed "run neither natively (${zrx_native_why}) nor")
else()
  set(zrx_failed "do not run")
endif()

find_program(zrx_emulator NAMES ${zrx_runner} NO_CACHE)
if(NOT zrx_emulator)
  set(ZRX_I686_RUNNER_ERROR
      "32-bit programs cannot run here: no emulator ${zrx_runner} (scripts/install-deps.sh installs qemu-user)")
  return()
endif()
zrx_run_probe("${zrx_emulator}" zrx_emulated_why)
if(NOT zrx_emulated_why STREQUAL "")
  set(ZRX_I686_RUNNER_ERROR
      "32-bit programs ${zrx_failed} through ${zrx_emulator} (${zrx_emulated_why})")
  return()
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${zrx_emulator})
message(STATUS "32-bit programs run through ${zrx_emulator} (ZRX_I686_RUNNER=${zrx_choice})")
