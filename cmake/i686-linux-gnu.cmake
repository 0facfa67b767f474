# 32-bit x86 Linux with Debian's i686 cross compiler (package
# g++-i686-linux-gnu). An x86-64 kernel runs the programs directly. They take
# the C and C++ runtime from the cross packages (their own loader and
# libraries under /usr/i686-linux-gnu), and SQLite from the i386 multiarch
# runtime package libsqlite3-0:i386; the header is the same on every
# architecture.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)

set(ZRX_I686_RUNTIME /usr/i686-linux-gnu/lib)
set(ZRX_I686_MULTIARCH /usr/lib/i386-linux-gnu)
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT
  " -Wl,--dynamic-linker=${ZRX_I686_RUNTIME}/ld-linux.so.2"
  " -Wl,-rpath,${ZRX_I686_RUNTIME}:${ZRX_I686_MULTIARCH}")
string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT
  " -Wl,-rpath,${ZRX_I686_RUNTIME}:${ZRX_I686_MULTIARCH}")

# The runtime package has no unversioned link name; link the library file.
set(SQLite3_INCLUDE_DIR /usr/include CACHE PATH "SQLite header directory")
set(SQLite3_LIBRARY ${ZRX_I686_MULTIARCH}/libsqlite3.so.0 CACHE FILEPATH "32-bit SQLite")
