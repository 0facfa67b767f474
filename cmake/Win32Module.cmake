# ZRX.dll for the 32-bit Windows data server: its own CMake project (win32/)
# built with the MinGW-w64 cross compiler as a step of this build, so that
# the tests in tests/win32 can read its tables; and the Windows module host
# that runs it under Wine, in lib/windows-host/ where mentrenq looks for it.
# Sets ZRX_WIN32_DLL, ZRX_WIN32_OBJDUMP and ZRX_WINDOWS_HOST (empty when the
# cross compiler is missing).
option(ZRX_BUILD_WIN32 "Cross-build ZRX.dll when the MinGW-w64 compiler is present" ON)

set(ZRX_WIN32_DLL "")
set(ZRX_WIN32_OBJDUMP "")
set(ZRX_WINDOWS_HOST "")
if(NOT ZRX_BUILD_WIN32)
  return()
endif()

find_program(ZRX_MINGW_CXX NAMES i686-w64-mingw32-g++-win32 i686-w64-mingw32-g++)
find_program(ZRX_MINGW_OBJDUMP NAMES i686-w64-mingw32-objdump)
if(NOT ZRX_MINGW_CXX OR NOT ZRX_MINGW_OBJDUMP)
  message(STATUS "No i686-w64-mingw32 cross compiler: ZRX.dll is not built "
                 "(scripts/install-deps.sh installs g++-mingw-w64-i686)")
  return()
endif()

include(ExternalProject)
# One job: the outer build runs its own jobs beside this step. Under make,
# ExternalProject's own build command runs $(MAKE), which shares the outer
# make's jobs (forcing -j1 there only earns a warning).
set(zrx_win32_build BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --parallel 1)
if(CMAKE_GENERATOR MATCHES "Makefiles")
  set(zrx_win32_build "")
endif()
ExternalProject_Add(zrx_win32
  SOURCE_DIR ${PROJECT_SOURCE_DIR}/win32
  BINARY_DIR ${CMAKE_BINARY_DIR}/win32
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-i686.cmake
             -DCMAKE_BUILD_TYPE=Release
             -DZRX_WERROR=${ZRX_WERROR}
  ${zrx_win32_build}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/win32/ZRX.dll)
# A host that maps the DLL itself (32-bit x86 Linux) has no use for it.
if(NOT ZRX_PE_LOADER)
  ExternalProject_Add(zrx_windows_host
    SOURCE_DIR ${PROJECT_SOURCE_DIR}/win32/host
    BINARY_DIR ${CMAKE_BINARY_DIR}/windows-host
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-i686.cmake
               -DZRX_MINGW_THREADS=posix
               -DCMAKE_BUILD_TYPE=Release
               -DZRX_WERROR=${ZRX_WERROR}
               -DZRX_WINDOWS_HOST_DIR=${CMAKE_BINARY_DIR}/lib/windows-host
    ${zrx_win32_build}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/lib/windows-host/zrxhost.exe)
  set(ZRX_WINDOWS_HOST ${CMAKE_BINARY_DIR}/lib/windows-host/zrxhost.exe)
endif()

set(ZRX_WIN32_DLL ${CMAKE_BINARY_DIR}/win32/ZRX.dll)
set(ZRX_WIN32_OBJDUMP ${ZRX_MINGW_OBJDUMP})

# Installed beside ZRX.so when built, where the installed command finds them.
install(FILES ${ZRX_WIN32_DLL} DESTINATION lib OPTIONAL)
if(ZRX_WINDOWS_HOST)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/lib/windows-host DESTINATION lib OPTIONAL USE_SOURCE_PERMISSIONS)
endif()
