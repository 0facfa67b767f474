# GoogleTest and GoogleMock: the installed package, or, when
# ZRX_GTEST_SOURCE_DIR names a source tree (Debian ships one in
# /usr/src/googletest), built here with the project's compiler. A cross build
# needs the latter, as the installed libraries are built for the machine.
set(ZRX_GTEST_SOURCE_DIR "" CACHE PATH "Build GoogleTest from this source tree")

if(NOT ZRX_GTEST_SOURCE_DIR)
  find_package(GTest REQUIRED)
  return()
endif()

set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# GoogleTest's sources are not held to the project's warning flags.
get_directory_property(zrx_compile_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${ZRX_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${zrx_compile_options}")
