# 32-bit Windows with Debian's MinGW-w64 cross compiler (package
# g++-mingw-w64-i686). The win32 thread model keeps the C++ runtime free of
# the winpthread DLL; the runtime is linked statically anyway. A project
# whose code takes locks sets ZRX_MINGW_THREADS=posix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

if(NOT ZRX_MINGW_THREADS)
  set(ZRX_MINGW_THREADS win32)
endif()
set(ZRX_MINGW_TRIPLE i686-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${ZRX_MINGW_TRIPLE}-gcc-${ZRX_MINGW_THREADS} ${ZRX_MINGW_TRIPLE}-gcc)
find_program(CMAKE_CXX_COMPILER NAMES ${ZRX_MINGW_TRIPLE}-g++-${ZRX_MINGW_THREADS} ${ZRX_MINGW_TRIPLE}-g++)
find_program(CMAKE_RC_COMPILER NAMES ${ZRX_MINGW_TRIPLE}-windres)
find_program(ZRX_DLLTOOL NAMES ${ZRX_MINGW_TRIPLE}-dlltool)
find_program(ZRX_OBJDUMP NAMES ${ZRX_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${ZRX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
